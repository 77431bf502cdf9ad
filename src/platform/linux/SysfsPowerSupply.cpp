#include "platform/linux/SysfsPowerSupply.h"

#include <dirent.h>

#include <algorithm>

#include "platform/linux/SysfsFile.h"

namespace tarvel {

namespace {

std::optional<std::string> readAttribute(const std::string& dir, const char* name) {
    return readSysfsText(dir + "/" + name);
}

std::optional<std::int64_t> readNumber(const std::string& dir, const char* name) {
    return readSysfsInteger(dir + "/" + name);
}

}  // namespace

std::vector<PowerSupply> readPowerSupplies(const std::string& sysRoot) {
    const std::string base = sysRoot + "/class/power_supply";
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(base.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());

    std::vector<PowerSupply> supplies;
    for (const auto& name : names) {
        const std::string dir = base + "/" + name;
        PowerSupply s;
        s.name = name;
        auto type = readAttribute(dir, "type");
        if (!type) continue;
        s.type = *type;
        s.scope = readAttribute(dir, "scope").value_or("");
        s.present = readNumber(dir, "present");
        s.online = readNumber(dir, "online");
        if (s.isBattery() && s.scope == "Device") {
            supplies.push_back(std::move(s));  // a peripheral's battery: not ours to read
            continue;
        }
        if (!s.isBattery()) {
            if (s.isExternalPower()) {
                s.voltageMax = readNumber(dir, "voltage_max");
                s.currentMax = readNumber(dir, "current_max");
            }
            supplies.push_back(std::move(s));
            continue;
        }
        s.status = readAttribute(dir, "status");
        s.capacity = readNumber(dir, "capacity");
        s.cycleCount = readNumber(dir, "cycle_count");
        s.chargeNow = readNumber(dir, "charge_now");
        s.chargeFull = readNumber(dir, "charge_full");
        s.chargeFullDesign = readNumber(dir, "charge_full_design");
        s.energyNow = readNumber(dir, "energy_now");
        s.energyFull = readNumber(dir, "energy_full");
        s.energyFullDesign = readNumber(dir, "energy_full_design");
        s.currentNow = readNumber(dir, "current_now");
        s.powerNow = readNumber(dir, "power_now");
        s.voltageNow = readNumber(dir, "voltage_now");
        s.voltageMinDesign = readNumber(dir, "voltage_min_design");
        s.voltageMaxDesign = readNumber(dir, "voltage_max_design");
        s.timeToEmptyNow = readNumber(dir, "time_to_empty_now");
        s.timeToEmptyAvg = readNumber(dir, "time_to_empty_avg");
        s.timeToFullNow = readNumber(dir, "time_to_full_now");
        s.timeToFullAvg = readNumber(dir, "time_to_full_avg");
        supplies.push_back(std::move(s));
    }
    return supplies;
}

}  // namespace tarvel
