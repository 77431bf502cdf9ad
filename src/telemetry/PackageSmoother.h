#pragma once

#include <optional>
#include <string>

#include "telemetry/PackagePower.h"
#include "telemetry/TelemetryTexts.h"

namespace tarvel {

// The published package power and its split over the SoC domains. Defaults are what shows
// before the first poll.
struct PackageState {
    double packageWatts = 0;
    std::string packageSource = texts::kEstimate;
    double cpuDomainWatts = 0, gpuDomainWatts = 0, aneDomainWatts = 0, dramDomainWatts = 0,
           otherDomainWatts = 0;
    bool hasPowerDistribution = false;
    unsigned powerDomains = 0;  // see SocPowerSample::domains

    bool operator==(const PackageState&) const = default;
};

// Smooths package readings into the package state to show: an EMA that follows big steps
// faster, shown only past a display threshold, and a blend of each domain's watts.
class PackageSmoother {
public:
    // One poll's reading; returns the state to show after it.
    const PackageState& apply(const PackageReading& reading);
    const PackageState& state() const { return state_; }
    // The measured GPU power, blended like the domains; absent without a GPU sensor.
    std::optional<double> gpuWatts() const { return gpuWatts_; }

private:
    void smoothWatts(const PackageReading& reading);
    void blendDistribution(const PackageReading& reading);

    // Also the last shown values, which the blend reads back.
    PackageState state_;
    std::optional<double> ema_;
    std::optional<double> gpuWatts_;
};

}  // namespace tarvel
