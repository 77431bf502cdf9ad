#include "drain/EnergySampler.h"

#include <algorithm>
#include <cmath>

#include "base/Format.h"

namespace tarvel {

bool sameWithinTolerance(const std::vector<ProcEnergy>& shown,
                         const std::vector<ProcEnergy>& next) {
    if (shown.size() != next.size()) return false;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i].id != next[i].id) return false;
        if (!(std::fabs(shown[i].estimatedWatts - next[i].estimatedWatts) < 0.15)) return false;
        if (!(std::fabs(shown[i].cpuPercent - next[i].cpuPercent) < 2.0)) return false;
        if (!(std::fabs(shown[i].gpuPercent - next[i].gpuPercent) < 2.0)) return false;
    }
    return true;
}

std::string gpuUsageText(const ProcEnergy& row) {
    const std::string percent = formatFixed(row.gpuPercent, 0);
    return percent == "0" || percent == "-0" ? "" : "GPU " + percent + "%";
}

EnergySampler::EnergySampler(ProcessList& processes, double startWall)
    : processes_(&processes), lastWall_(startWall) {
    ncpu_ = std::max(1, processes_->logicalCpuCount());
    pids_.reserve(ProcessList::kMaxPids);
}

double EnergySampler::gpuBusy(std::int32_t pid, bool ran, double elapsed,
                              std::unordered_map<std::string, GpuClient>& seenClients) {
    double busy = 0;
    for (GpuClient& client : processes_->gpuClients(pid, ran)) {
        // A client shared by several fds or forked processes counts once, for the first seen.
        if (seenClients.count(client.key)) continue;
        const auto before = lastClients_.find(client.key);
        if (before != lastClients_.end()) {  // a new client counts 0 in this pass, like CPU time
            const GpuClient& old = before->second;
            if (client.busyNs > old.busyNs)
                busy += static_cast<double>(client.busyNs - old.busyNs) / 1e9 / elapsed;
            for (const auto& [engine, counts] : client.cycles) {
                const auto was = old.cycles.find(engine);
                if (was == old.cycles.end() || counts.second <= was->second.second ||
                    counts.first < was->second.first)
                    continue;
                busy += static_cast<double>(counts.first - was->second.first) /
                        static_cast<double>(counts.second - was->second.second);
            }
        }
        std::string key = client.key;
        seenClients.emplace(std::move(key), std::move(client));
    }
    return busy;
}

std::vector<EnergySampler::Row> EnergySampler::collectRows(double elapsed, bool fastMode) {
    std::unordered_map<std::int32_t, double> seen;
    std::unordered_map<std::string, GpuClient> seenClients;
    std::vector<Row> rows;
    if (processes_->listAllPids(pids_)) {
        seen.reserve(pids_.size() * 2);
        const double threshold = fastMode ? kThresholdFast : kThresholdSlow;
        const std::int32_t self = processes_->ownPid();
        for (const std::int32_t pid : pids_) {
            if (pid < 1 || pid == self) continue;
            const auto times = processes_->taskTimes(pid);
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
            const bool ran = before == lastCPU_.end() || cpuSeconds != previous;
            const double gpu = gpuBusy(pid, ran, elapsed, seenClients);
            if (cores < threshold && gpu < threshold) continue;
            Row row{pid, {}, std::nullopt, cores, cores * 100.0, gpu};
            row.name = processes_->name(pid).value_or("pid " + std::to_string(pid));
            if (fastMode) row.path = processes_->path(pid);
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
    lastClients_ = std::move(seenClients);  // closed clients are forgotten
    return rows;
}

std::vector<ProcEnergy> EnergySampler::pass(double now, double watts, bool fastMode,
                                            std::optional<double> gpuWatts) {
    const double elapsed = std::max(now - lastWall_, 1.0);
    lastWall_ = now;
    const std::vector<Row> rows = collectRows(elapsed, fastMode);

    double total = 0;
    for (const Row& r : rows) total += r.cores;
    if (total <= kTotalFloor) total = kTotalFloor;
    double gpuTotal = 0;
    for (const Row& r : rows) gpuTotal += r.gpuBusy;
    // Without GPU time to split it by, the GPU's power goes with the CPU shares as before.
    const double gpuPart = gpuWatts && gpuTotal > 0 ? std::clamp(*gpuWatts, 0.0, watts) : 0.0;

    std::vector<ProcEnergy> list;
    list.reserve(rows.size());
    for (const Row& r : rows) {
        const double cpuRaw = (watts - gpuPart) * r.cores / total;
        const double gpuRaw = gpuPart > 0 ? gpuPart * r.gpuBusy / gpuTotal : 0.0;
        const double raw = cpuRaw + gpuRaw;
        const double share = gpuPart > 0 ? raw / watts : r.cores / total;
        const auto previous = wattsEma_.find(r.pid);
        const double ema =
            raw * kEmaNew + (previous == wattsEma_.end() ? raw : previous->second) * kEmaOld;
        wattsEma_[r.pid] = ema;
        auto& samples = history_[r.pid];
        samples.push_back(ema);
        if (samples.size() > kHistoryCap)
            samples.erase(samples.begin(), samples.end() - kHistoryCap);
        list.push_back(ProcEnergy{r.pid, r.name, r.path, r.cpuPercent * 0.05 + ema * 10.0,
                                  r.cpuPercent, share, ema, samples, r.gpuBusy * 100.0,
                                  std::nullopt});
        if (gpuWatts) list.back().gpuWatts = raw > 0 ? ema * gpuRaw / raw : 0.0;
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
            if (p.gpuWatts) *p.gpuWatts *= scaled / std::max(p.estimatedWatts, 1e-9);
            p.estimatedWatts = scaled;
            p.energyScore = scaled * 10.0;
        }
        std::stable_sort(list.begin(), list.end(), byWatts);
    }
    return list;
}

}  // namespace tarvel
