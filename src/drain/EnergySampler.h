#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "drain/ProcEnergy.h"
#include "platform/ProcessList.h"

namespace tarvel {

// The sampling pass of the energy attribution: CPU-time and GPU-time growth per process since
// the previous pass, turned into shares of the measured power (the GPU's own watts split by
// GPU time when they are known), smoothed, ranked and calibrated.
// Holds the per-process state between passes; used from one thread at a time.
class EnergySampler {
public:
    static constexpr double kThresholdSlow = 0.08;  // cores
    static constexpr double kThresholdFast = 0.02;
    static constexpr double kTotalFloor = 0.05;
    static constexpr double kEmaNew = 0.45;
    static constexpr double kEmaOld = 0.55;
    static constexpr std::size_t kHistoryCap = 30;
    static constexpr std::size_t kListSlow = 5;
    static constexpr std::size_t kListFast = 8;
    static constexpr double kFactorMin = 0.6;
    static constexpr double kFactorMax = 1.35;

    // `startWall` is the time the store was created (the first pass measures from it).
    EnergySampler(ProcessList& processes, double startWall);

    // One pass at wall time `now` (seconds), attributing `watts`, of which `gpuWatts` (when
    // known) go by GPU time.
    std::vector<ProcEnergy> pass(double now, double watts, bool fastMode,
                                 std::optional<double> gpuWatts = std::nullopt);

    // Later passes read these processes (a replay's second /proc).
    void setProcesses(ProcessList& processes) { processes_ = &processes; }

    double ncpu() const { return ncpu_; }
    std::size_t trackedProcesses() const { return lastCPU_.size(); }
    std::size_t smoothedProcesses() const { return wattsEma_.size(); }

private:
    struct Row {
        std::int32_t pid;
        std::string name;
        std::optional<std::string> path;
        double cores;
        double cpuPercent;
        double gpuBusy;  // engines' busy fraction, summed
    };

    std::vector<Row> collectRows(double elapsed, bool fastMode);
    // GPU time of the process's clients not yet counted in this pass, as a busy fraction.
    double gpuBusy(std::int32_t pid, bool ran, double elapsed,
                   std::unordered_map<std::string, GpuClient>& seenClients);

    ProcessList* processes_;
    std::unordered_map<std::int32_t, double> lastCPU_;
    double lastWall_;
    std::unordered_map<std::int32_t, std::vector<double>> history_;
    std::unordered_map<std::int32_t, double> wattsEma_;
    std::unordered_map<std::string, GpuClient> lastClients_;  // by client key
    double ncpu_;
    std::vector<std::int32_t> pids_;  // reused buffer
};

}  // namespace tarvel
