#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "platform/RegistryValue.h"

namespace tarvel {

// Registry entries from their JSON stand-ins: integers become number objects (kept exact, including
// values above the signed 64-bit range), true/false boolean objects, objects dictionaries.
// JSON null has no registry counterpart and is left out. The conversion recurses once per
// level: give it values whose nesting was bounded before parsing (jsonNestingWithin).
std::optional<RegValue> regValueFromJson(const nlohmann::json& j);

}  // namespace tarvel
