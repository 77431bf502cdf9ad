#pragma once

#include <charconv>
#include <string>

namespace tarvel {

// printf's "%.Nf", but always with a "." whatever locale the GUI has set for the process.
inline std::string formatFixed(double value, int decimals) {
    char buffer[400];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return "nan";
    return std::string(buffer, result.ptr);
}

}  // namespace tarvel
