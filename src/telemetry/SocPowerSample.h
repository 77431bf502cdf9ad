#pragma once

#include <optional>
#include <string>

namespace tarvel {

// Watts per SoC domain over one sampling interval.
struct SocPowerSample {
    double cpuWatts = 0;
    double gpuWatts = 0;
    double aneWatts = 0;
    double dramWatts = 0;
    double otherWatts = 0;
    // Which domains the machine measures (bit 1 << ChannelKind); 0: not known, all shown.
    unsigned domains = 0;

    bool hasData() const {
        return cpuWatts > 0 || gpuWatts > 0 || aneWatts > 0 || dramWatts > 0 || otherWatts > 0;
    }
    // The package: every domain but "other".
    double packageWatts() const { return cpuWatts + gpuWatts + aneWatts + dramWatts; }
    double totalWatts() const { return packageWatts() + otherWatts; }
    int domainCount() const {
        return (cpuWatts > 0.02) + (gpuWatts > 0.02) + (aneWatts > 0.02) + (dramWatts > 0.02);
    }
};

enum class ChannelKind { cpu, gpu, ane, dram, other };

constexpr unsigned domainBit(ChannelKind kind) {
    return 1u << static_cast<unsigned>(kind);
}
constexpr bool hasDomain(unsigned domains, ChannelKind kind) {
    return domains == 0 || (domains & domainBit(kind)) != 0;
}

// Which domain an energy channel belongs to; absent for channels that are not kept (wrong
// group, or a name no rule recognises, such as a whole-chip total).
std::optional<ChannelKind> classifyEnergyChannel(const std::string& group, const std::string& name);

}  // namespace tarvel
