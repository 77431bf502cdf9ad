#pragma once

#include <nlohmann/json.hpp>

namespace tarvel {
class PowerStore;
}

namespace tarvel::cli {

// The power store's published battery state, under the field names.
nlohmann::json publishedBatteryJson(const PowerStore& store);
// The battery state plus package power, its domains, core shares and history length.
nlohmann::json publishedPowerJson(const PowerStore& store);

}  // namespace tarvel::cli
