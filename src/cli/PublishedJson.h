#pragma once

#include <nlohmann/json.hpp>

namespace tarvel {
class PowerStore;
struct BatteryState;
}  // namespace tarvel

namespace tarvel::cli {

// The published battery state (the power store's or a smoother's), under the field names.
nlohmann::json publishedBatteryJson(const BatteryState& state);
// The battery state plus package power, its domains, core shares and history length.
nlohmann::json publishedPowerJson(const PowerStore& store);

}  // namespace tarvel::cli
