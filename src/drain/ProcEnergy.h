#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvel {

// One row of the top-energy list.
struct ProcEnergy {
    std::int32_t id = 0;              // process id
    std::string name;                 // short name, or "pid N" when unreadable
    std::optional<std::string> path;  // executable path, fast mode only
    double energyScore = 0;
    double cpuPercent = 0;           // percent of one core, capped at the logical CPUs × 100
    double powerShare = 0;           // 0…1 of the attributed power
    double estimatedWatts = 0;       // smoothed watts
    std::vector<double> samples;     // recent smoothed watts, oldest first, at most 30
    double gpuPercent = 0;           // GPU engine time over the interval, summed over engines
    std::optional<double> gpuWatts;  // the GPU part of estimatedWatts; absent without GPU power

    bool operator==(const ProcEnergy&) const = default;
};

// Whether a new list differs from the shown one only by jitter: same length and, position by
// position, the same pid, watts within 0.15 W and CPU and GPU within 2 percentage points.
bool sameWithinTolerance(const std::vector<ProcEnergy>& shown, const std::vector<ProcEnergy>& next);

// "GPU N%" for a row's GPU time; "" when it rounds to 0, so rows without GPU data stay as they are.
std::string gpuUsageText(const ProcEnergy& row);

}  // namespace tarvel
