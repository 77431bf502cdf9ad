#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "base/SerialQueue.h"
#include "platform/EnergyReporter.h"
#include "telemetry/SocPowerSample.h"

namespace tarvel {

// Samples the energy channels it recognises and turns each difference into watts per domain.
// It is set up once; a sample that cannot be taken disables it for good, and the package power
// then comes from the load estimate.
class IOReportPowerReader {
public:
    IOReportPowerReader(EnergyReporter& reporter, Clock& clock);

    // All sampling runs here; callers wait on it with sync().
    SerialQueue& queue() { return queue_; }
    // Run on queue(): absent on the first call (it primes), on a gap outside 150 ms…15 s, or
    // when nothing plausible was measured.
    std::optional<SocPowerSample> sample();
    bool ok() const { return ok_; }
    bool failed() const { return failed_; }
    // Whether a GPU channel is subscribed: its watts are known, even when 0.
    bool measuresGpu() const { return measuresGpu_; }

private:
    struct ChannelMeta {
        ChannelKind kind;
        std::string unit;
    };
    void setup();

    EnergyReporter& reporter_;
    Clock& clock_;
    bool ok_ = false;
    bool subscribed_ = false;
    std::vector<ChannelMeta> meta_;
    std::optional<EnergyReporter::Sample> last_;
    double lastTime_ = 0;
    bool failed_ = false;
    bool measuresGpu_ = false;
    SerialQueue queue_{"tarvelpro.ioreport"};
};

}  // namespace tarvel
