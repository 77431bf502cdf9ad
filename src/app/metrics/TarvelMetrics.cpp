#include "app/metrics/TarvelMetrics.h"

#include <sys/stat.h>

#include <QString>
#include <algorithm>
#include <cerrno>
#include <optional>

#include "app/AppCore.h"
#include "app/metrics/PrometheusText.h"
#include "charge/ChargeLimitController.h"
#include "telemetry/PowerStore.h"

namespace tarvel {

namespace {

using metrics::Exposition;

double flag(bool on) {
    return on ? 1.0 : 0.0;
}

// Label values must be UTF-8; process names are whatever bytes a program chose.
std::string validUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toStdString();
}

void batteryMetrics(Exposition& e, const PowerStore& s) {
    e.family("tarvel_battery_present", "Whether a system battery is present (1) or not (0).");
    e.sample(flag(s.batteryPresent()));
    e.family("tarvel_ac_power_connected", "Whether the machine runs from the power adapter.");
    e.sample(flag(s.isOnAC()));
    if (!s.batteryPresent()) return;

    // Left out while the level cannot be read: a 0 would read as an empty battery.
    if (s.levelKnown()) {
        e.family("tarvel_battery_level_ratio", "Battery charge level, 0 to 1.");
        e.sample(s.levelPercent() / 100.0);
    }
    e.family("tarvel_battery_charging", "Whether the battery is charging.");
    e.sample(flag(s.isCharging()));
    e.family("tarvel_battery_power_watts",
             "Power flowing into (charging) or out of the battery, smoothed.");
    e.sample(s.chargeWatts());
    if (const auto minutes = s.remainingMinutes()) {
        e.family("tarvel_battery_time_remaining_seconds",
                 "Estimated time until empty, or until full while charging.");
        e.sample(static_cast<double>(*minutes) * 60.0);
    }
    if (const auto cycles = s.cycleCount()) {
        // A gauge: a new battery starts again at 0, and "_count" belongs to histograms.
        e.family("tarvel_battery_cycles", "Charge cycles the battery reports.");
        e.sample(static_cast<double>(*cycles));
    }
    if (const auto health = s.healthPercent()) {
        e.family("tarvel_battery_health_ratio",
                 "Full charge capacity relative to the design capacity.");
        e.sample(static_cast<double>(*health) / 100.0);
    }
    // Charge in its base unit: 1 mAh is 3.6 C.
    if (const auto design = s.designCapacity()) {
        e.family("tarvel_battery_design_capacity_coulombs",
                 "Charge the battery was designed to hold (1 mAh = 3.6 C).");
        e.sample(static_cast<double>(*design * 36) / 10.0);
    }
    if (const auto full = s.capacityRaw()) {
        e.family("tarvel_battery_full_capacity_coulombs",
                 "Charge the battery holds when full today (1 mAh = 3.6 C).");
        e.sample(static_cast<double>(*full * 36) / 10.0);
    }
}

void packageMetrics(Exposition& e, const PowerStore& s) {
    if (!s.packageSource().empty()) {
        const bool sensor = s.packageSource().rfind("sensor", 0) == 0;
        e.family("tarvel_package_power_watts",
                 "Processor package power, measured by the energy counters (source=\"sensor\") "
                 "or estimated from the load (source=\"estimate\").");
        e.sample(s.packageWatts(), {{"source", sensor ? "sensor" : "estimate"}});
    }
    if (s.hasPowerDistribution()) {
        e.family("tarvel_package_domain_power_watts", "Package power by domain.");
        for (const auto& [domain, watts] : {std::pair{"cpu", s.cpuDomainWatts()},
                                            {"gpu", s.gpuDomainWatts()},
                                            {"dram", s.dramDomainWatts()},
                                            {"other", s.otherDomainWatts()}})
            e.sample(watts, {{"domain", domain}});
    }
    if (const auto gpu = s.gpuWatts()) {
        e.family("tarvel_gpu_watts", "GPU power, measured by its sensor or energy counter.");
        e.sample(*gpu);
    }
    e.family("tarvel_poll_interval_seconds", "How often the battery and power are read.");
    e.sample(s.currentInterval());
}

void chargeMetrics(Exposition& e, const ChargeLimitController& c) {
    e.family("tarvel_charge_limit_enabled", "Whether the charge limit is switched on.");
    e.sample(flag(c.isEnabled()));
    e.family("tarvel_charge_limit_ratio", "Level the charge limit holds the battery at, 0 to 1.");
    e.sample(c.limitPercent() / 100.0);
    e.family("tarvel_charge_limit_status", "What the charge limit is doing, as the status label.");
    e.sample(1.0, {{"status", caseName(c.status())}});
}

void historyMetrics(Exposition& e, const std::string& path) {
    struct stat st {};
    double bytes = 0;
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return;  // not a history file: no size to tell
        bytes = static_cast<double>(st.st_size);
    } else if (errno != ENOENT) {
        return;  // there but out of reach
    }
    e.family("tarvel_drain_history_size_bytes", "Size of the drain history file.");
    e.sample(bytes);
}

// The rows summed by name, busiest first: two processes of one name are one series.
void processMetrics(Exposition& e, const std::vector<ProcEnergy>& rows) {
    struct Named {
        std::string name;
        double watts = 0;
        std::optional<double> gpuWatts;
    };
    std::vector<Named> byName;
    for (const auto& row : rows) {
        const std::string name = validUtf8(row.name);
        auto it = std::find_if(byName.begin(), byName.end(),
                               [&](const auto& entry) { return entry.name == name; });
        if (it == byName.end()) it = byName.insert(byName.end(), Named{name, 0, std::nullopt});
        it->watts += row.estimatedWatts;
        if (row.gpuWatts) it->gpuWatts = it->gpuWatts.value_or(0) + *row.gpuWatts;
    }
    std::stable_sort(byName.begin(), byName.end(),
                     [](const auto& a, const auto& b) { return a.watts > b.watts; });
    if (byName.size() > kMetricsTopProcesses) byName.resize(kMetricsTopProcesses);
    e.family("tarvel_process_power_watts",
             "Estimated power of the busiest processes (the top 5, by name).");
    for (const auto& p : byName) e.sample(p.watts, {{"name", p.name}});
    // Only where the GPU's power is known: a GPU time share alone is no watts.
    if (std::none_of(byName.begin(), byName.end(), [](const auto& p) { return p.gpuWatts; }))
        return;
    e.family("tarvel_process_gpu_watts",
             "The GPU part of the busiest processes' estimated power (the top 5, by name).");
    for (const auto& p : byName)
        if (p.gpuWatts) e.sample(*p.gpuWatts, {{"name", p.name}});
}

}  // namespace

std::string tarvelMetrics(const MetricsSources& sources) {
    Exposition e;
    if (sources.power && sources.power->pollGeneration() > 0) {
        batteryMetrics(e, *sources.power);
        packageMetrics(e, *sources.power);
    }
    if (sources.chargeLimit) chargeMetrics(e, *sources.chargeLimit);
    if (!sources.historyPath.empty()) historyMetrics(e, sources.historyPath);
    processMetrics(e, sources.topProcesses);
    return e.text();
}

MetricsSources metricsSourcesOf(AppCore& core, const std::string& historyPath) {
    MetricsSources sources;
    sources.power = &core.powerStore();
    // A process that does not hold the limit itself still says what the limit would do now.
    if (!core.chargeLimit().isRunning()) core.chargeLimit().preview();
    sources.chargeLimit = &core.chargeLimit();
    sources.topProcesses = core.processEnergy().top();
    sources.historyPath = historyPath.empty() ? core.drainLog().fileURL() : historyPath;
    return sources;
}

}  // namespace tarvel
