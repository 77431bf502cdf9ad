#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace tarvel::test {

// The records of a JSON-lines text (the drain history), one per line.
inline std::vector<nlohmann::json> jsonLines(const std::string& text) {
    std::vector<nlohmann::json> out;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        out.push_back(nlohmann::json::parse(text.substr(start, end - start)));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return out;
}

}  // namespace tarvel::test
