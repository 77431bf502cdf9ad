#pragma once

#include <optional>
#include <string>

#include "support/FixtureTree.h"

namespace tarvel::test {

// A laptop battery as the kernel shows it, plus an adapter: BAT0 at `level` percent.
inline void writeLaptop(
    const FixtureTree& tree, int level, bool onAC, const std::string& status,
    const std::string& chargeBehaviour = "[auto] inhibit-charge force-discharge\n",
    const std::string& battery = "BAT0") {
    const std::string dir = "class/power_supply/" + battery;
    tree.writeAll(dir, {{"type", "Battery\n"},
                        {"scope", "System\n"},
                        {"present", "1\n"},
                        {"status", status + "\n"},
                        {"capacity", std::to_string(level) + "\n"},
                        {"charge_full", "4000000\n"},
                        {"charge_full_design", "4200000\n"},
                        {"charge_now", std::to_string(level * 40000) + "\n"},
                        {"current_now", "900000\n"},
                        {"voltage_now", "12000000\n"}});
    if (!chargeBehaviour.empty()) tree.write(dir + "/charge_behaviour", chargeBehaviour);
    tree.writeAll("class/power_supply/AC", {{"type", "Mains\n"}, {"online", onAC ? "1\n" : "0\n"}});
}

// Charge thresholds on a battery written by writeLaptop: the end, and the start when given.
inline void writeThresholds(const FixtureTree& tree, int end, std::optional<int> start = {},
                            const std::string& battery = "BAT0") {
    const std::string dir = "class/power_supply/" + battery;
    tree.write(dir + "/charge_control_end_threshold", std::to_string(end) + "\n");
    if (start) tree.write(dir + "/charge_control_start_threshold", std::to_string(*start) + "\n");
}

// A threshold as the kernel prints it, without its newline.
inline std::string threshold(const FixtureTree& tree, const std::string& which,
                             const std::string& battery = "BAT0") {
    std::string text =
        tree.read("class/power_supply/" + battery + "/charge_control_" + which + "_threshold");
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

inline std::string chargeBehaviour(const FixtureTree& tree, const std::string& battery = "BAT0") {
    return tree.read("class/power_supply/" + battery + "/charge_behaviour");
}

}  // namespace tarvel::test
