#pragma once

#include <string>
#include <vector>

#include "drain/ProcEnergy.h"

namespace tarvel {

class AppCore;
class ChargeLimitController;
class PowerStore;

// What the metrics are made of. Anything missing is left out of the exposition.
struct MetricsSources {
    const PowerStore* power = nullptr;  // nothing before its first poll
    const ChargeLimitController* chargeLimit = nullptr;
    std::vector<ProcEnergy> topProcesses;
    std::string historyPath;  // empty: no history size
};

// How many process names the export carries: every name is a series of its own.
inline constexpr std::size_t kMetricsTopProcesses = 5;

// The Prometheus text exposition of the sources: battery, package power and its domains,
// polling, charge limit, drain history size and the busiest processes' watts.
std::string tarvelMetrics(const MetricsSources& sources);

// The running core's state; the history is the core's own file unless `historyPath` is given.
MetricsSources metricsSourcesOf(AppCore& core, const std::string& historyPath = {});

}  // namespace tarvel
