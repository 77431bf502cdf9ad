#pragma once

#include <optional>
#include <vector>

#include "platform/RegistryValue.h"
#include "telemetry/BatteryModel.h"

namespace tarvel {

// The readers that query the battery services directly. `entry` is the battery controller's
// registry entry (null: no battery service); `sources` the power-source descriptions.
BatSourceReading readSmartBattery(const RegDict* entry);
BatSourceReading readGauge(const RegDict* entry);
BatSourceReading readTelemetry(const RegDict* entry);
BatSourceReading readIOPS(const std::optional<std::vector<std::optional<RegDict>>>& sources);

}  // namespace tarvel
