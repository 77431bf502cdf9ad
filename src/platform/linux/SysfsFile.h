#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tarvel {

// The text of a small kernel attribute file without its trailing newline; absent when it
// cannot be read (missing, no permission, or a value the firmware does not know).
std::optional<std::string> readSysfsText(const std::string& path);

// A sysfs integer: optional sign, decimal digits, surrounding whitespace; at most 10^13 in
// magnitude (larger than any real charge, energy or voltage in micro-units).
std::optional<std::int64_t> parseSysfsInteger(const std::string& text);
std::optional<std::int64_t> readSysfsInteger(const std::string& path);

// The number of CPUs in a kernel CPU list such as "0-3,8,10-11"; absent when malformed.
std::optional<int> countCpuList(const std::string& list);

}  // namespace tarvel
