#include "cli/PublishedJson.h"

#include "cli/JsonOptional.h"
#include "telemetry/PowerStore.h"

namespace tarvel::cli {

nlohmann::json publishedBatteryJson(const BatteryState& s) {
    return {
        {"batteryPresent", s.batteryPresent},
        {"levelPercent", s.levelKnown ? nlohmann::json(s.levelPercent) : nlohmann::json()},
        {"isCharging", s.isCharging},
        {"isOnAC", s.isOnAC},
        {"chargeWatts", s.chargeWatts},
        {"remainingMinutes", orNull(s.remainingMinutes)},
        {"minutesIsLiveEstimate", s.minutesIsLiveEstimate},
        {"timeEstimateSource", s.timeEstimateSource},
        {"batterySourcesUsed", s.batterySourcesUsed},
        {"cycleCount", orNull(s.cycleCount)},
        {"healthPercent", orNull(s.healthPercent)},
        {"capacityRaw", orNull(s.capacityRaw)},
        {"designCapacity", orNull(s.designCapacity)},
        {"timeText", s.timeText},
        {"statusText", s.statusText},
    };
}

nlohmann::json publishedPowerJson(const PowerStore& s) {
    nlohmann::json j = publishedBatteryJson(s.batteryState());
    j["packageWatts"] = s.packageWatts();
    j["packageSource"] = s.packageSource();
    j["cpuDomainWatts"] = s.cpuDomainWatts();
    j["gpuDomainWatts"] = s.gpuDomainWatts();
    j["aneDomainWatts"] = s.aneDomainWatts();
    j["dramDomainWatts"] = s.dramDomainWatts();
    j["otherDomainWatts"] = s.otherDomainWatts();
    j["hasPowerDistribution"] = s.hasPowerDistribution();
    j["pCoreShare"] = s.pCoreShare();
    j["eCoreShare"] = s.eCoreShare();
    j["wattHistoryLength"] = s.wattHistory().size();
    j["pollIntervalSeconds"] = s.currentInterval();
    return j;
}

}  // namespace tarvel::cli
