#include "views/TarvelCopy.h"

#include "drain/WhyDrain.h"
#include "telemetry/PowerStore.h"
#include "telemetry/TelemetryTexts.h"

namespace tarvel::TarvelCopy {

std::string statusChip(const PowerFacts& power, int dropPercent) {
    if (!power.batteryPresent) return "Desktop";
    if (power.isCharging) return "Charging";
    if (!power.isOnAC) return dropPercent > 4 ? "Draining fast" : "On battery";
    return power.levelPercent > 99 ? "Full" : "Plugged in";
}

std::string statusChip(const PowerStore& power, int dropPercent) {
    return statusChip(PowerFacts::of(power), dropPercent);
}

std::string statusChip(const PowerStore& power, const WhyDrain& why) {
    return statusChip(power, why.dropPercent);
}

std::string friendlyTime(const PowerFacts& power) {
    if (!power.batteryPresent) return "Running on power adapter";
    const bool estimating = power.timeText == texts::kCalculating || !power.remainingMinutes;
    // On AC without charging there is nothing to estimate: the store's text says why.
    if (estimating && (power.isCharging || !power.isOnAC)) return estimatingTime;
    return power.timeText;
}

std::string friendlyTime(const PowerStore& power) {
    return friendlyTime(PowerFacts::of(power));
}

}  // namespace tarvel::TarvelCopy
