#pragma once

#include <string>
#include <vector>

#include "platform/EnergyReporter.h"

namespace tarvel {

// Energy channels from the kernel's powercap RAPL zones: per package, "CPU Complex Energy"
// (the package less its uncore), "GPU Energy" (the uncore) and "DRAM Energy", in µJ. The
// counters wrap at max_energy_range_uj. They are readable by root only on most kernels; then
// the subscription is refused. Beside them, a discrete GPU's hwmon sensor under `hwmonRoot` is
// one more "GPU Energy" channel: amdgpu's power1_average (or power1_input) as a power in µW
// (its delta is the power at the later sample), i915's and xe's energy1_input as µJ.
class RaplEnergyReporter final : public EnergyReporter {
public:
    explicit RaplEnergyReporter(std::string powercapRoot = "/sys/class/powercap",
                                std::string hwmonRoot = "");

    std::optional<std::vector<Channel>> copyAllChannels() override;
    bool createSubscription(const std::vector<size_t>& channels) override;
    std::optional<Sample> createSamples() override;
    std::optional<std::vector<std::int64_t>> createSamplesDelta(const Sample& previous,
                                                                const Sample& current) override;

private:
    struct Zone {
        std::string counter;        // the file to read
        std::int64_t maxRange = 0;  // 0: unknown, a wrap cannot be undone
        bool gauge = false;         // a power, not a counter
    };
    // A channel's energy is one zone's, less another's when `minus` is set.
    struct ChannelSource {
        Channel channel;
        size_t plus = 0;
        std::optional<size_t> minus;
    };

    void discover();
    void discoverGpuSensors();

    std::string root_;
    std::string hwmonRoot_;
    bool discovered_ = false;
    std::vector<Zone> zones_;
    std::vector<ChannelSource> channels_;
    std::vector<ChannelSource> subscribed_;
};

}  // namespace tarvel
