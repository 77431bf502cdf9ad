#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvel {

// The operating system's energy counters, as channels with a group, a name and a unit, that a
// subscriber samples and differences.
class EnergyReporter {
public:
    struct Channel {
        std::string group;  // "" when the channel has none
        std::string name;
        std::string unit;  // of the integer value, e.g. "uJ"; a power ("uW") is no counter
    };
    // Opaque raw counters of the subscribed channels at one moment.
    struct Sample {
        std::vector<std::int64_t> counters;
    };

    virtual ~EnergyReporter() = default;
    // Every channel there is; absent when the facility is unavailable.
    virtual std::optional<std::vector<Channel>> copyAllChannels() = 0;
    // Subscribes to exactly these channels (indices into copyAllChannels()); false when refused.
    virtual bool createSubscription(const std::vector<size_t>& channels) = 0;
    virtual std::optional<Sample> createSamples() = 0;
    // The energy of each subscribed channel between two samples, in subscription order; for a
    // channel in a unit of power, the power at `current`.
    virtual std::optional<std::vector<std::int64_t>> createSamplesDelta(const Sample& previous,
                                                                        const Sample& current) = 0;
};

}  // namespace tarvel
