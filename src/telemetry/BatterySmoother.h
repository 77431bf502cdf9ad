#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Rounding.h"
#include "telemetry/BatteryModel.h"

namespace tarvel {

// The published battery state, display-ready. Defaults are what shows before the first poll.
struct BatteryState {
    bool batteryPresent = false;
    int levelPercent = 0;
    bool isCharging = false;
    bool isOnAC = false;
    double chargeWatts = 0;
    std::string batterySourcesUsed = kDash;
    std::string timeEstimateSource = kDash;
    std::optional<std::int64_t> cycleCount, healthPercent, capacityRaw, designCapacity;
    std::string timeText = kDash;
    std::string statusText = kDash;
    std::optional<std::int64_t> remainingMinutes;
    bool minutesIsLiveEstimate = false;
    // The smoothed battery current behind chargeWatts (diagnostics); absent when unknown.
    std::optional<double> smoothedAmperageMA;
    // False until a level has been read, and whenever none can be (levelPercent is then 0).
    bool levelKnown = false;

    bool operator==(const BatteryState&) const = default;
};

// Turns a stream of battery snapshots into the battery state to show: debounces the level,
// smooths current, battery power and time remaining, holds the time around sleep and wake, and
// composes the status and time texts. Pure arithmetic over the snapshots and the times given.
class BatterySmoother {
public:
    // One poll's snapshot at `now` (seconds); returns the state to show after it.
    const BatteryState& apply(const BatSnap& snap, double now);
    // Display or system sleep (wake false) and wake (wake true) at `now`.
    void notePowerTransition(bool wake, double now);
    // What the last apply returned (the defaults before the first).
    const BatteryState& state() const { return state_; }

private:
    void resetTimeSmoothers();
    void debounceLevel(int lvl);
    void smoothCurrent(const BatSnap& snap);
    double smoothChargePower(const BatSnap& snap);
    void smoothMinutes(const BatSnap& snap, double now);
    void showMinutesSample(double m);
    std::string composeStatus(const BatSnap& snap, double w);
    void composeTimeText(const BatSnap& snap, double now);

    // Also the last shown values, which the smoothing reads back as it goes.
    BatteryState state_;

    std::string lastPowerModeKey_;
    int stickyLevel_ = -1;
    int pendingLevel_ = -1;
    int pendingLevelHits_ = 0;
    std::optional<double> chargeEma_;
    std::optional<double> minutesEma_;
    std::vector<double> minutesSamples_;
    double minutesHoldUntil_ = 0;
    std::int64_t lastDisplayedMinutes_ = -1;
    double lastTimePublishAt_ = 0;
    std::string lastPublishedTimeText_;
};

}  // namespace tarvel
