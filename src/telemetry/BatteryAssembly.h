#pragma once

#include <optional>
#include <vector>

#include "platform/BatteryServices.h"
#include "platform/CommandRunner.h"
#include "telemetry/BatteryModel.h"

namespace tarvel {

// What one poll read: the readings of the readers that ran, in their fixed order, and the
// adapter state the battery services reported apart from any battery.
struct BatteryReadings {
    std::vector<BatSourceReading> readings;
    std::optional<bool> adapterOnline;
};

// Runs the battery readers in their fixed order. The command-line readers run only on
// cross-check polls, except that "pmset" also runs when the power-source reading lacks a level
// or a time.
BatteryReadings collectBatteryReadings(bool includeShellCrossCheck, BatteryServices& services,
                                       CommandRunner& runner);

// Merges the readings of one poll into one bounded snapshot. Same readings, same snapshot.
// The adapter state decides `onAC` only when no reader knows it (a desktop without a battery).
BatSnap mergeBatteryReadings(const std::vector<BatSourceReading>& readings,
                             std::optional<bool> adapterOnline = std::nullopt);
inline BatSnap mergeBatteryReadings(const BatteryReadings& polled) {
    return mergeBatteryReadings(polled.readings, polled.adapterOnline);
}

// The minutes rule for a final power state: 1...65534, at most 1200 on battery, at most 480
// while charging, never on external power without charging.
bool minutesPlausible(std::int64_t m, bool charging, bool onAC);

}  // namespace tarvel
