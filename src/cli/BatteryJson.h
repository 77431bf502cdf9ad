#pragma once

#include <nlohmann/json.hpp>

#include "telemetry/BatteryModel.h"

namespace tarvel::cli {

// Battery records as JSON, every field under its own name, unknown values as null.
nlohmann::json toJson(const BatSnap& snap);
nlohmann::json toJson(const BatSourceReading& reading);

// A snapshot from JSON; missing fields keep their defaults. Throws UsageError on a field of
// the wrong type.
BatSnap snapFromJson(const nlohmann::json& j);

}  // namespace tarvel::cli
