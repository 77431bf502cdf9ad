#pragma once

#include <vector>

#include "platform/BatteryServices.h"
#include "platform/CommandRunner.h"
#include "telemetry/BatteryModel.h"

namespace tarvel {

// Runs the battery readers in their fixed order and returns the readings of those that ran.
// The command-line readers run only on cross-check polls, except that "pmset" also runs when
// the power-source reading lacks a level or a time.
std::vector<BatSourceReading> collectBatteryReadings(bool includeShellCrossCheck,
                                                     BatteryServices& services,
                                                     CommandRunner& runner);

// Merges the readings of one poll into one bounded snapshot. Same readings, same snapshot.
BatSnap mergeBatteryReadings(const std::vector<BatSourceReading>& readings);

// The minutes rule for a final power state: 1...65534, at most 1200 on battery, at most 480
// while charging, never on external power without charging.
bool minutesPlausible(std::int64_t m, bool charging, bool onAC);

}  // namespace tarvel
