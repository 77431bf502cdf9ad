#include "telemetry/PackagePower.h"

#include <algorithm>

#include "telemetry/IOReportPowerReader.h"
#include "telemetry/TelemetryTexts.h"

namespace tarvel {

PackageReading PackagePower::readPackageWattsDetailed() {
    std::optional<double> gpuWatts;
    if (reader_ && reader_->ok() && !reader_->failed()) {
        std::optional<SocPowerSample> sample;
        reader_->queue().sync([&] { sample = reader_->sample(); });
        if (sample && reader_->measuresGpu()) gpuWatts = sample->gpuWatts;
        // A GPU sensor alone does not measure the package.
        const bool package = sample && (!reader_->measuresGpu() || sample->cpuWatts > 0);
        if (package && sample->hasData() && sample->packageWatts() > 0.05) {
            const int domains = sample->domainCount();
            PackageReading r;
            r.source =
                domains <= 1 ? texts::kSensor : "sensor (" + std::to_string(domains) + " domains)";
            r.watts = std::clamp(sample->packageWatts(), 0.1, 120.0);
            r.distribution = sample;
            r.gpuWatts = gpuWatts;
            return r;
        }
    }
    PackageReading estimate;
    estimate.gpuWatts = gpuWatts;
    const auto load = info_.loadAverage1();
    if (!load) return estimate;
    const int n = std::max(info_.logicalCpuCount().value_or(1), 1);
    const double utilisation = std::min(*load / n, 1.0);
    estimate.watts = n >= 10 ? 3.5 + 28.0 * utilisation : 2.2 + 18.0 * utilisation;
    return estimate;
}

CoreShares PackagePower::readCoreShares() {
    const int p = std::max(info_.performanceCpuCount().value_or(0), 0);
    const int e = std::max(info_.efficiencyCpuCount().value_or(0), 0);
    const int t = p + e;
    if (t == 0) return {};
    return {double(p) / t, double(e) / t};
}

}  // namespace tarvel
