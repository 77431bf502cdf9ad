#include "drain/EnergySampler.h"

#include <algorithm>
#include <cmath>

namespace tarvel {

bool sameWithinTolerance(const std::vector<ProcEnergy>& shown,
                         const std::vector<ProcEnergy>& next) {
    if (shown.size() != next.size()) return false;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i].id != next[i].id) return false;
        if (!(std::fabs(shown[i].estimatedWatts - next[i].estimatedWatts) < 0.15)) return false;
        if (!(std::fabs(shown[i].cpuPercent - next[i].cpuPercent) < 2.0)) return false;
    }
    return true;
}

EnergySampler::EnergySampler(ProcessList& processes, double startWall)
    : processes_(processes), lastWall_(startWall) {
    ncpu_ = std::max(1, processes_.logicalCpuCount());
    pids_.reserve(ProcessList::kMaxPids);
}

std::vector<EnergySampler::Row> EnergySampler::collectRows(double elapsed, bool fastMode) {
    std::unordered_map<std::int32_t, double> seen;
    std::vector<Row> rows;
    if (processes_.listAllPids(pids_)) {
        seen.reserve(pids_.size() * 2);
        const double threshold = fastMode ? kThresholdFast : kThresholdSlow;
        const std::int32_t self = processes_.ownPid();
        for (const std::int32_t pid : pids_) {
            if (pid < 1 || pid == self) continue;
            const auto times = processes_.taskTimes(pid);
            if (!times) continue;
            const double cpuSeconds = static_cast<double>(times->totalUserNs) / 1e9 +
                                      static_cast<double>(times->totalSystemNs) / 1e9;
            seen[pid] = cpuSeconds;
            const auto before = lastCPU_.find(pid);
            // A process seen for the first time counts 0 in this pass.
            const double previous = before == lastCPU_.end() ? cpuSeconds : before->second;
            // A counter that went backwards is a reused pid: 0, not negative.
            const double delta = std::max(cpuSeconds - previous, 0.0);
            const double cores = std::min(delta / elapsed, ncpu_);
            if (cores < threshold) continue;
            Row row{pid, {}, std::nullopt, cores, cores * 100.0};
            row.name = processes_.name(pid).value_or("pid " + std::to_string(pid));
            if (fastMode) row.path = processes_.path(pid);
            rows.push_back(std::move(row));
        }
    }
    // Forget the processes that are gone, so their smoothing does not carry over to a reused pid.
    for (auto it = history_.begin(); it != history_.end();) {
        if (seen.count(it->first)) {
            ++it;
        } else {
            wattsEma_.erase(it->first);
            it = history_.erase(it);
        }
    }
    lastCPU_ = std::move(seen);
    return rows;
}

std::vector<ProcEnergy> EnergySampler::pass(double now, double watts, bool fastMode) {
    const double elapsed = std::max(now - lastWall_, 1.0);
    lastWall_ = now;
    const std::vector<Row> rows = collectRows(elapsed, fastMode);

    double total = 0;
    for (const Row& r : rows) total += r.cores;
    if (total <= kTotalFloor) total = kTotalFloor;

    std::vector<ProcEnergy> list;
    list.reserve(rows.size());
    for (const Row& r : rows) {
        const double share = r.cores / total;
        const double raw = watts * share;
        const auto previous = wattsEma_.find(r.pid);
        const double ema =
            raw * kEmaNew + (previous == wattsEma_.end() ? raw : previous->second) * kEmaOld;
        wattsEma_[r.pid] = ema;
        auto& samples = history_[r.pid];
        samples.push_back(ema);
        if (samples.size() > kHistoryCap)
            samples.erase(samples.begin(), samples.end() - kHistoryCap);
        list.push_back(ProcEnergy{r.pid, r.name, r.path, r.cpuPercent * 0.05 + ema * 10.0,
                                  r.cpuPercent, share, ema, samples});
    }

    auto byWatts = [](const ProcEnergy& a, const ProcEnergy& b) {
        return a.estimatedWatts > b.estimatedWatts;
    };
    std::stable_sort(list.begin(), list.end(), byWatts);
    list.resize(std::min(list.size(), fastMode ? kListFast : kListSlow));

    double attributed = 0;
    for (const ProcEnergy& p : list) attributed += std::max(p.estimatedWatts, 0.0);
    if (attributed > 0.05 && watts > 0.05) {
        const double factor = std::clamp(watts / attributed, kFactorMin, kFactorMax);
        const double base = std::max(watts, 0.01);
        for (ProcEnergy& p : list) {
            const auto ema = wattsEma_.find(p.id);
            const double scaled =
                factor * (ema == wattsEma_.end() ? p.estimatedWatts : ema->second);
            p.powerShare = scaled / base;
            p.estimatedWatts = scaled;
            p.energyScore = scaled * 10.0;
        }
        std::stable_sort(list.begin(), list.end(), byWatts);
    }
    return list;
}

}  // namespace tarvel
