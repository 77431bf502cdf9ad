#include "telemetry/IOReportPowerReader.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tarvel {

namespace {

bool endsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() &&
           s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}
bool contains(const std::string& s, const char* part) {
    return s.find(part) != std::string::npos;
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

// Joules in a channel value, or absent for a unit we cannot interpret.
std::optional<double> toJoules(std::int64_t value, const std::string& unit) {
    const double v = double(value);
    if (unit == "mJ") return v / 1e3;
    if (unit == "uJ") return v / 1e6;
    if (unit == "nJ") return v / 1e9;
    if (unit == "J") return v;
    if (std::fabs(v) > 1000) return v / 1e3;  // most likely millijoules
    return std::nullopt;
}

// Watts in a channel that reports a power rather than an energy.
std::optional<double> toWatts(std::int64_t value, const std::string& unit) {
    if (unit == "uW") return double(value) / 1e6;
    if (unit == "mW") return double(value) / 1e3;
    if (unit == "W") return double(value);
    return std::nullopt;
}

}  // namespace

std::optional<ChannelKind> classifyEnergyChannel(const std::string& group,
                                                 const std::string& name) {
    if (!(group == "Energy Model" || contains(group, "Energy") || group == "PMP"))
        return std::nullopt;
    if (endsWith(name, "CPU Energy") || contains(name, "CPU Complex Energy"))
        return ChannelKind::cpu;
    if (endsWith(name, "GPU Energy") || contains(name, "GPU Complex")) return ChannelKind::gpu;
    if (name.rfind("ANE", 0) == 0 || contains(name, "ANE Energy") || contains(name, "Neural"))
        return ChannelKind::ane;
    if (contains(name, "DRAM") || contains(name, "Memory")) return ChannelKind::dram;
    if (contains(name, "ISP") || (contains(name, "Display") && contains(name, "Energy")))
        return ChannelKind::other;
    return std::nullopt;
}

IOReportPowerReader::IOReportPowerReader(EnergyReporter& reporter, Clock& clock)
    : reporter_(reporter), clock_(clock) {
    queue_.sync([this] { setup(); });
}

void IOReportPowerReader::setup() {
    const auto all = reporter_.copyAllChannels();
    if (!all) return;
    std::vector<size_t> kept;
    std::vector<ChannelMeta> meta;
    for (size_t i = 0; i < all->size(); ++i) {
        const auto& c = (*all)[i];
        if (auto kind = classifyEnergyChannel(c.group, c.name)) {
            kept.push_back(i);
            meta.push_back({*kind, trimmed(c.unit)});
        }
    }
    if (!kept.empty() && !reporter_.createSubscription(kept)) {
        // Some counters are closed (RAPL is root-only on most kernels): keep those that open.
        std::vector<size_t> open;
        std::vector<ChannelMeta> openMeta;
        for (size_t k = 0; k < kept.size(); ++k) {
            if (!reporter_.createSubscription({kept[k]})) continue;
            open.push_back(kept[k]);
            openMeta.push_back(meta[k]);
        }
        kept = std::move(open);
        meta = std::move(openMeta);
        if (kept.empty() || !reporter_.createSubscription(kept)) return;
    }
    if (kept.empty()) return;
    meta_ = std::move(meta);
    for (const auto& m : meta_) measuresGpu_ = measuresGpu_ || m.kind == ChannelKind::gpu;
    subscribed_ = true;
    ok_ = true;
}

std::optional<SocPowerSample> IOReportPowerReader::sample() {
    if (!subscribed_ || failed_) return std::nullopt;
    auto current = reporter_.createSamples();
    if (!current) {
        failed_ = true;
        ok_ = false;
        return std::nullopt;
    }
    const double now = clock_.now();
    if (!last_) {
        last_ = std::move(current);
        lastTime_ = now;
        return std::nullopt;
    }
    const double dtMs = (now - lastTime_) * 1000.0;
    std::optional<SocPowerSample> result;
    if (dtMs >= 150 && dtMs <= 15000) {
        if (const auto delta = reporter_.createSamplesDelta(*last_, *current)) {
            const double seconds = std::max(dtMs / 1000.0, 0.001);
            double totals[5] = {0, 0, 0, 0, 0};
            for (size_t i = 0; i < delta->size() && i < meta_.size(); ++i) {
                const auto power = toWatts((*delta)[i], meta_[i].unit);
                const auto joules = power ? power : toJoules((*delta)[i], meta_[i].unit);
                if (!joules) continue;
                const double watts = power ? *power : *joules / seconds;
                if (watts > 0 && watts < 500) totals[static_cast<int>(meta_[i].kind)] += watts;
            }
            SocPowerSample s{totals[0], totals[1], totals[2], totals[3], totals[4]};
            for (const auto& m : meta_) s.domains |= domainBit(m.kind);
            if (s.hasData()) result = s;
        }
    }
    last_ = std::move(current);
    lastTime_ = now;
    return result;
}

}  // namespace tarvel
