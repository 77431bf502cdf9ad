#pragma once

#include "support/FixtureTree.h"

// Sysfs power-supply trees of typical machines, written under a FixtureTree's root (which
// then stands in for /sys).
namespace tarvel::test {

inline void addMains(const FixtureTree& t, const std::string& name, bool online) {
    t.writeAll("class/power_supply/" + name,
               {{"type", "Mains\n"}, {"online", online ? "1\n" : "0\n"}});
}

// A charge-based laptop battery charging at 1.5 A from a 65 W adapter.
inline void chargingLaptop(const FixtureTree& t) {
    t.writeAll("class/power_supply/BAT0", {{"type", "Battery\n"},
                                           {"present", "1\n"},
                                           {"scope", "System\n"},
                                           {"status", "Charging\n"},
                                           {"capacity", "62\n"},
                                           {"charge_now", "3100000\n"},
                                           {"charge_full", "5000000\n"},
                                           {"charge_full_design", "5600000\n"},
                                           {"current_now", "1500000\n"},
                                           {"voltage_now", "12300000\n"},
                                           {"voltage_min_design", "11400000\n"},
                                           {"cycle_count", "123\n"}});
    addMains(t, "AC", true);
    t.writeAll("class/power_supply/AC",
               {{"voltage_max", "20000000\n"}, {"current_max", "3250000\n"}});
}

// An energy-based battery (µWh, µW) discharging at 10 W, adapter unplugged.
inline void dischargingEnergyLaptop(const FixtureTree& t) {
    t.writeAll("class/power_supply/BAT1", {{"type", "Battery\n"},
                                           {"status", "Discharging\n"},
                                           {"capacity", "60\n"},
                                           {"energy_now", "30000000\n"},
                                           {"energy_full", "50000000\n"},
                                           {"energy_full_design", "57000000\n"},
                                           {"power_now", "10000000\n"},
                                           {"voltage_now", "11400000\n"},
                                           {"voltage_min_design", "11100000\n"},
                                           {"cycle_count", "0\n"}});
    addMains(t, "ADP1", false);
}

inline void fullOnAC(const FixtureTree& t) {
    t.writeAll("class/power_supply/BAT0", {{"type", "Battery\n"},
                                           {"status", "Full\n"},
                                           {"capacity", "100\n"},
                                           {"charge_now", "4980000\n"},
                                           {"charge_full", "5000000\n"},
                                           {"current_now", "0\n"},
                                           {"voltage_now", "12900000\n"}});
    addMains(t, "AC", true);
}

// Firmware that still says Full just after unplugging, while the pack already supplies 0.8 A.
inline void fullJustUnplugged(const FixtureTree& t) {
    fullOnAC(t);
    t.write("class/power_supply/BAT0/current_now", "800000\n");
    addMains(t, "AC", false);
}

inline void desktopMainsOnly(const FixtureTree& t) {
    addMains(t, "AC", true);
}

inline void mouseBatteryOnly(const FixtureTree& t) {
    t.writeAll("class/power_supply/hidpp_battery_0", {{"type", "Battery\n"},
                                                      {"scope", "Device\n"},
                                                      {"status", "Discharging\n"},
                                                      {"capacity", "40\n"}});
    addMains(t, "AC", true);
}

// A battery whose charge cannot be read: no capacity, no charge or energy figures.
inline void unreadableLevelLaptop(const FixtureTree& t) {
    t.writeAll("class/power_supply/BAT0",
               {{"type", "Battery\n"}, {"status", "Discharging\n"}, {"voltage_now", "11400000\n"}});
    addMains(t, "AC", false);
}

// Firmware that returns nonsense: letters, overflowing numbers, empty files.
inline void garbageBattery(const FixtureTree& t) {
    t.writeAll("class/power_supply/BAT0", {{"type", "Battery\n"},
                                           {"status", "Discharging\n"},
                                           {"capacity", "abc\n"},
                                           {"charge_now", "99999999999999999999999\n"},
                                           {"charge_full", "5000000\n"},
                                           {"current_now", "-\n"},
                                           {"voltage_now", "\n"},
                                           {"cycle_count", "12x\n"},
                                           {"time_to_empty_now", "-5\n"}});
}

}  // namespace tarvel::test
