#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "platform/RegistryValue.h"

namespace tarvel {

// JSON stand-ins for registry entries: integers become number objects (kept exact, including
// values above the signed 64-bit range), true/false boolean objects, objects dictionaries.
// JSON null has no registry counterpart and is left out.
std::optional<RegValue> regValueFromJson(const nlohmann::json& j);
nlohmann::json regValueToJson(const RegValue& v);

}  // namespace tarvel
