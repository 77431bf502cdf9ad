#pragma once

#include <optional>
#include <string>

#include "platform/SystemInfo.h"
#include "telemetry/SocPowerSample.h"

namespace tarvel {

class IOReportPowerReader;

struct PackageReading {
    PackageReading(double w = 0, std::string s = "estimate",
                   std::optional<SocPowerSample> d = std::nullopt,
                   std::optional<double> gpu = std::nullopt)
        : watts(w), source(std::move(s)), distribution(d), gpuWatts(gpu) {}

    double watts = 0;
    std::string source = "estimate";
    std::optional<SocPowerSample> distribution;
    std::optional<double> gpuWatts;  // measured by a GPU sensor; absent when none reads
};

struct CoreShares {
    double p = 0;  // fraction of logical CPUs that are performance cores
    double e = 0;  // … efficiency cores
};

// The SoC package power: measured by the energy reader when it delivers, otherwise estimated
// from the load average. Also the performance/efficiency split of the logical CPUs.
class PackagePower {
public:
    // `reader` may be null: a machine without energy counters.
    PackagePower(IOReportPowerReader* reader, SystemInfo& info) : reader_(reader), info_(info) {}
    virtual ~PackagePower() = default;

    virtual PackageReading readPackageWattsDetailed();
    virtual CoreShares readCoreShares();

private:
    IOReportPowerReader* reader_;
    SystemInfo& info_;
};

}  // namespace tarvel
