#pragma once

// Every text the battery telemetry shows.
namespace tarvel::texts {

inline constexpr const char* kNoBattery = "No battery";
inline constexpr const char* kDesktopAC = "Desktop / AC";
inline constexpr const char* kOnBattery = "On battery";
inline constexpr const char* kOnBatteryWatts = "On battery · ";  // + "%.1f W"
inline constexpr const char* kPluggedIn = "Plugged in";
inline constexpr const char* kFullOnAC = "Full · on AC";
inline constexpr const char* kCharging = "Charging";
inline constexpr const char* kChargingWatts = "Charging · ";  // + "%.1f W"
inline constexpr const char* kOnACPower = "On AC power";
inline constexpr const char* kCalculating = "Calculating…";
inline constexpr const char* kMinLeft = " min left";
inline constexpr const char* kMinToFull = " min to full";
// The battery readers' common source on Linux.
inline constexpr const char* kPowerSupplySource = "sysfs power_supply";
inline constexpr const char* kPackDraw = "Pack draw";
inline constexpr const char* kSMCGauge = "power_supply gauge";
inline constexpr const char* kEstimate = "estimate";
inline constexpr const char* kSensor = "sensor";

}  // namespace tarvel::texts
