#pragma once

#include <optional>
#include <vector>

#include "platform/RegistryValue.h"

namespace tarvel {

// What the operating system's battery services hold at one moment.
struct BatteryServiceSnapshot {
    // The battery controller's registry entry ("AppleSmartBattery"); absent: no battery service.
    std::optional<RegDict> smartBattery;
    // The power-source list; absent: no power-source snapshot. An absent element is a source
    // without a description.
    std::optional<std::vector<std::optional<RegDict>>> powerSources;
    // Whether external power (a mains adapter, a charging port) is online, as the system reports
    // it apart from any battery, so that a machine without one still knows it runs on AC;
    // absent: not known.
    std::optional<bool> adapterOnline;
};

class BatteryServices {
public:
    virtual ~BatteryServices() = default;
    // Reads both services once; called on the power store's work queue at every poll.
    virtual BatteryServiceSnapshot copyBatteryServices() = 0;
};

// Services that answer with a fixed snapshot (captured registry files, tests).
class FixedBatteryServices final : public BatteryServices {
public:
    explicit FixedBatteryServices(BatteryServiceSnapshot snapshot)
        : snapshot_(std::move(snapshot)) {}
    BatteryServiceSnapshot copyBatteryServices() override { return snapshot_; }

private:
    BatteryServiceSnapshot snapshot_;
};

}  // namespace tarvel
