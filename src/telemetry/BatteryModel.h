#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvel {

// The single merged battery snapshot of one poll. Units: percent, watts, minutes, mAh,
// mA (signed, positive into the battery), mV.
struct BatSnap {
    bool present = false;
    int level = 0;
    // False when no source could read the level (no readable capacity, charge or energy): the
    // level is unknown, not 0 %.
    bool levelKnown = true;
    bool charging = false;
    bool onAC = false;
    double chargeW = 0;
    double adapterW = 0;
    std::optional<std::int64_t> minutes;
    bool minutesIsLiveEstimate = false;
    std::optional<std::int64_t> cycles;
    std::optional<std::int64_t> health;
    std::optional<std::int64_t> rawMax;
    std::optional<std::int64_t> design;
    std::optional<std::int64_t> rawCurrent;
    std::optional<std::int64_t> amperageMA;
    std::optional<std::int64_t> voltageMV;
    std::string sourcesLabel;
    std::vector<std::string> sourceNames;
};

// What one reader extracted from one source; every field but the name may be unknown.
struct BatSourceReading {
    explicit BatSourceReading(std::string readerName = "") : name(std::move(readerName)) {}

    std::string name;
    std::optional<bool> present;
    std::optional<std::int64_t> level;
    std::optional<bool> charging;
    std::optional<bool> onAC;
    std::optional<double> chargeW;
    std::optional<double> adapterW;
    std::optional<std::int64_t> minutes;
    std::optional<std::int64_t> cycles;
    std::optional<std::int64_t> health;
    std::optional<std::int64_t> rawMax;
    std::optional<std::int64_t> design;
    std::optional<std::int64_t> rawCurrent;
    std::optional<std::int64_t> amperageMA;
    std::optional<std::int64_t> voltageMV;

    // The reading reported anything at all.
    bool ok() const {
        return present.value_or(false) || level.has_value() || charging.has_value() ||
               minutes.has_value();
    }
};

// Reader names, fixed.
namespace reader {
inline constexpr const char* kIOPS = "IOPS";
inline constexpr const char* kSmartBattery = "SmartBattery";
inline constexpr const char* kGauge = "Gauge";
inline constexpr const char* kTelemetry = "Telemetry";
inline constexpr const char* kPmset = "pmset";
inline constexpr const char* kIoreg = "ioreg";
}  // namespace reader

}  // namespace tarvel
