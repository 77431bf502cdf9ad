#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/SysfsFile.h"

namespace tarvel {

// One entry of <root>/class/power_supply, as the kernel reports it. Every attribute that is
// missing, unreadable (firmware does not know it), not a number or absurdly large is absent.
struct PowerSupply {
    std::string name;
    std::string type;   // "Battery", "Mains", "USB", ...
    std::string scope;  // "System", "Device" or ""
    std::optional<std::string> status;
    std::optional<std::int64_t> present, online, capacity, cycleCount;
    std::optional<std::int64_t> chargeNow, chargeFull, chargeFullDesign;  // µAh
    std::optional<std::int64_t> energyNow, energyFull, energyFullDesign;  // µWh
    std::optional<std::int64_t> currentNow, powerNow;                     // µA, µW
    std::optional<std::int64_t> voltageNow, voltageMinDesign, voltageMaxDesign, voltageMax;  // µV
    std::optional<std::int64_t> currentMax;                                                  // µA
    std::optional<std::int64_t> timeToEmptyNow, timeToEmptyAvg, timeToFullNow, timeToFullAvg;  // s

    bool isBattery() const { return type == "Battery"; }
    // Batteries of the machine itself, not of a mouse or a headset.
    bool isSystemBattery() const {
        return isBattery() && scope != "Device" && present.value_or(1) != 0;
    }
    bool isExternalPower() const { return type == "Mains" || type.rfind("USB", 0) == 0; }
};

// Reads every supply under `sysRoot`/class/power_supply, sorted by name.
std::vector<PowerSupply> readPowerSupplies(const std::string& sysRoot);

}  // namespace tarvel
