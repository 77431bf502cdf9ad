#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/RegistryValue.h"

namespace tarvel {

// Typed reads of registry properties. Missing keys and values of another type are absent.

// A number object as a native signed integer; failing that, its low 32 bits as a signed value.
std::optional<std::int64_t> propInt(const RegDict& entry, const std::string& key);
// A non-empty dictionary property.
const RegDict* propDict(const RegDict& entry, const std::string& key);
// A number object read as a signed integer, without the 32-bit fallback.
std::optional<std::int64_t> dictInt(const RegDict& dict, const std::string& key);
// A boolean object, or a number object (non-zero is true).
std::optional<bool> propBool(const RegDict& entry, const std::string& key);
std::optional<double> propReal(const RegDict& entry, const std::string& key);
const std::string* propString(const RegDict& entry, const std::string& key);

// |v| ≤ limit, without overflowing on the most negative value.
inline bool withinMagnitude(std::int64_t v, std::int64_t limit) {
    return v >= -limit && v <= limit;
}
// A minutes value when it is valid (1...65534), else absent.
inline std::optional<std::int64_t> validMinutes(std::optional<std::int64_t> m) {
    return m && *m >= 1 && *m <= 65534 ? m : std::nullopt;
}
// The first of two values that is known.
inline std::optional<std::int64_t> firstKnownOf(std::optional<std::int64_t> a,
                                                std::optional<std::int64_t> b) {
    return a ? a : b;
}

// part / whole × 100, rounded halves away from zero, clamped to 0...100.
std::int64_t percentOf(double part, double whole);

}  // namespace tarvel
