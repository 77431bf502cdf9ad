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

// part / whole × 100, rounded halves away from zero, clamped to 0...100.
std::int64_t percentOf(double part, double whole);

}  // namespace tarvel
