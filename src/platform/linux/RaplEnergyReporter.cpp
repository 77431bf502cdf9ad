#include "platform/linux/RaplEnergyReporter.h"

#include <dirent.h>

#include <algorithm>
#include <map>

#include "platform/linux/SysfsFile.h"

namespace tarvel {

namespace {

constexpr const char* kZonePrefix = "intel-rapl:";  // the AMD driver uses the same names

std::vector<std::string> zoneNames(const std::string& root, const char* prefix = kZonePrefix) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(root.c_str())) {
        while (dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name.rfind(prefix, 0) == 0) names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// "intel-rapl:0:2" → "intel-rapl:0"; a top-level zone is its own parent.
std::string parentOf(const std::string& zone) {
    const size_t second = zone.find(':', std::string(kZonePrefix).size());
    return second == std::string::npos ? zone : zone.substr(0, second);
}

EnergyReporter::Channel channel(const char* name, const char* unit = "uJ") {
    return {"Energy Model", name, unit};
}

}  // namespace

RaplEnergyReporter::RaplEnergyReporter(std::string powercapRoot, std::string hwmonRoot)
    : root_(std::move(powercapRoot)), hwmonRoot_(std::move(hwmonRoot)) {}

void RaplEnergyReporter::discoverGpuSensors() {
    if (hwmonRoot_.empty()) return;
    for (const auto& name : zoneNames(hwmonRoot_, "hwmon")) {
        const std::string dir = hwmonRoot_ + "/" + name;
        const auto driver = readSysfsText(dir + "/name");
        if (!driver) continue;
        Zone zone;
        if (*driver == "amdgpu") {
            zone.gauge = true;
            zone.counter = dir + "/power1_average";
            if (!readSysfsInteger(zone.counter)) zone.counter = dir + "/power1_input";
        } else if (*driver == "i915" || *driver == "xe") {
            zone.counter = dir + "/energy1_input";
        } else {
            continue;
        }
        // A sensor that cannot be read is no GPU power, not zero watts.
        if (!readSysfsInteger(zone.counter)) continue;
        zones_.push_back(zone);
        channels_.push_back(
            {channel("GPU Energy", zone.gauge ? "uW" : "uJ"), zones_.size() - 1, std::nullopt});
    }
}

void RaplEnergyReporter::discover() {
    if (discovered_) return;
    discovered_ = true;
    std::map<std::string, std::map<std::string, size_t>> byParent;  // parent → zone name → index
    for (const auto& name : zoneNames(root_)) {
        const std::string dir = root_ + "/" + name;
        const auto label = readSysfsText(dir + "/name");
        if (!label) continue;
        Zone zone{dir + "/energy_uj", readSysfsInteger(dir + "/max_energy_range_uj").value_or(0)};
        zones_.push_back(zone);
        byParent[parentOf(name)][*label] = zones_.size() - 1;
    }
    for (const auto& [parent, zones] : byParent) {
        const auto uncore = zones.find("uncore");
        for (const auto& [label, index] : zones) {
            if (label.rfind("package-", 0) != 0) continue;
            ChannelSource cpu{channel("CPU Complex Energy"), index, std::nullopt};
            if (uncore != zones.end()) cpu.minus = uncore->second;
            channels_.push_back(cpu);
            if (uncore != zones.end())
                channels_.push_back({channel("GPU Energy"), uncore->second, std::nullopt});
        }
        if (const auto dram = zones.find("dram"); dram != zones.end())
            channels_.push_back({channel("DRAM Energy"), dram->second, std::nullopt});
    }
    discoverGpuSensors();
}

std::optional<std::vector<EnergyReporter::Channel>> RaplEnergyReporter::copyAllChannels() {
    discover();
    if (channels_.empty()) return std::nullopt;
    std::vector<Channel> out;
    for (const auto& c : channels_) out.push_back(c.channel);
    return out;
}

bool RaplEnergyReporter::createSubscription(const std::vector<size_t>& channels) {
    discover();
    std::vector<ChannelSource> chosen;
    for (size_t i : channels) {
        if (i >= channels_.size()) return false;
        chosen.push_back(channels_[i]);
    }
    subscribed_ = std::move(chosen);
    if (subscribed_.empty() || !createSamples()) {
        subscribed_.clear();
        return false;
    }
    return true;
}

std::optional<EnergyReporter::Sample> RaplEnergyReporter::createSamples() {
    if (subscribed_.empty()) return std::nullopt;
    Sample s;
    s.counters.reserve(zones_.size());
    for (const auto& zone : zones_) {
        const auto uj = readSysfsInteger(zone.counter);
        s.counters.push_back(uj.value_or(-1));
    }
    for (const auto& c : subscribed_) {
        if (s.counters[c.plus] < 0 || (c.minus && s.counters[*c.minus] < 0)) return std::nullopt;
    }
    return s;
}

std::optional<std::vector<std::int64_t>> RaplEnergyReporter::createSamplesDelta(
    const Sample& previous, const Sample& current) {
    if (previous.counters.size() != zones_.size() || current.counters.size() != zones_.size())
        return std::nullopt;
    auto zoneDelta = [&](size_t z) -> std::optional<std::int64_t> {
        if (zones_[z].gauge) return current.counters[z];
        std::int64_t d = current.counters[z] - previous.counters[z];
        if (d < 0) {
            if (zones_[z].maxRange <= 0) return std::nullopt;
            d += zones_[z].maxRange;  // the counter wrapped once
        }
        return d >= 0 ? std::optional<std::int64_t>(d) : std::nullopt;
    };
    std::vector<std::int64_t> out;
    for (const auto& c : subscribed_) {
        auto plus = zoneDelta(c.plus);
        auto minus = c.minus ? zoneDelta(*c.minus) : std::optional<std::int64_t>(0);
        out.push_back(plus && minus ? std::max<std::int64_t>(*plus - *minus, 0) : 0);
    }
    return out;
}

}  // namespace tarvel
