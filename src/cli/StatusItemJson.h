#pragma once

#include <nlohmann/json.hpp>

#include "shell/statusitem/BatteryMenuChrome.h"

namespace tarvel::cli {

// One line for a waybar custom module ("return-type": "json"): the status item's text,
// tooltip, tint as the CSS class, and the level.
nlohmann::json waybarObject(const StatusItemState& state);

}  // namespace tarvel::cli
