#include "telemetry/PackageSmoother.h"

#include <cmath>

#include "base/Rounding.h"

namespace tarvel {

const PackageState& PackageSmoother::apply(const PackageReading& reading) {
    smoothWatts(reading);
    blendDistribution(reading);
    return state_;
}

void PackageSmoother::smoothWatts(const PackageReading& reading) {
    const double w = reading.watts;
    if (!(w > 0)) return;  // no reading this poll
    if (ema_) {
        const double d = std::fabs(w - *ema_);
        const double alpha = d > 4.0 ? 0.55 : d > 1.5 ? 0.35 : 0.22;
        ema_ = w * alpha + *ema_ * (1 - alpha);
    } else {
        ema_ = w;
    }
    // Shown to one decimal: a move that does not change that is not worth a redraw.
    const double shown = double(roundHalfAway(*ema_ * 10.0)) / 10.0;
    if (std::fabs(shown - state_.packageWatts) >= 0.05 || reading.source != state_.packageSource) {
        state_.packageWatts = *ema_;
        state_.packageSource = reading.source;
    }
}

void PackageSmoother::blendDistribution(const PackageReading& reading) {
    if (reading.gpuWatts)
        gpuWatts_ = gpuWatts_ && *gpuWatts_ > 0.01 ? *reading.gpuWatts * 0.45 + *gpuWatts_ * 0.55
                                                   : *reading.gpuWatts;
    else if (reading.source == texts::kEstimate)
        gpuWatts_.reset();
    if (!reading.distribution) {
        if (reading.source == texts::kEstimate) state_.hasPowerDistribution = false;
        return;
    }
    const SocPowerSample& s = *reading.distribution;
    auto blend = [](double& shown, double sample) {
        shown = shown <= 0.01 ? sample : sample * 0.45 + shown * 0.55;
    };
    blend(state_.cpuDomainWatts, s.cpuWatts);
    blend(state_.gpuDomainWatts, s.gpuWatts);
    blend(state_.aneDomainWatts, s.aneWatts);
    blend(state_.dramDomainWatts, s.dramWatts);
    blend(state_.otherDomainWatts, s.otherWatts);
    state_.hasPowerDistribution = s.hasData();
    state_.powerDomains = s.domains;
}

}  // namespace tarvel
