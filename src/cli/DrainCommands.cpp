// tarvelctl why, top and history: the drain history and the energy attribution from a shell.
#include <QFileInfo>
#include <cmath>
#include <iostream>
#include <nlohmann/json.hpp>

#include "app/AppCore.h"
#include "base/Clock.h"
#include "base/Format.h"
#include "base/SupportPaths.h"
#include "base/TerminalText.h"
#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/EventWait.h"
#include "cli/HistoryExport.h"
#include "cli/JsonSchema.h"
#include "cli/MachineOptions.h"
#include "drain/DrainLog.h"
#include "drain/DrainLogFile.h"
#include "drain/EnergySampler.h"
#include "drain/IsoTime.h"
#include "drain/PowerFigures.h"
#include "drain/WhyDrain.h"

namespace tarvel::cli {

namespace {

using Ordered = nlohmann::ordered_json;

std::string defaultLogPath() {
    return tarvel::supportDir() + "/" + DrainLog::kFileName;
}

double timeOption(const Args& args, const std::string& name, double fallback) {
    if (!args.has(name)) return fallback;
    const auto t = parseIsoTime(args.value(name));
    if (!t)
        throw UsageError("--" + name + " expects an ISO 8601 time such as 2026-03-01T14:05:09Z");
    return static_cast<double>(*t);
}

void noPositional(const Args& args, const char* command) {
    if (!args.positional().empty())
        throw UsageError(std::string(command) + " takes no arguments: " + args.positional()[0]);
}

Ordered rowJson(const ProcEnergy& p, bool withGpu) {
    Ordered j = Ordered::object();
    j["schema"] = kJsonSchema;
    j["id"] = p.id;
    j["name"] = p.name;
    j["path"] = p.path ? Ordered(*p.path) : Ordered(nullptr);
    j["energyScore"] = p.energyScore;
    j["cpuPercent"] = p.cpuPercent;
    j["powerShare"] = p.powerShare;
    j["estimatedWatts"] = p.estimatedWatts;
    j["samples"] = p.samples;
    if (withGpu) {
        j["gpuPercent"] = p.gpuPercent;
        j["gpuWatts"] = p.gpuWatts ? Ordered(*p.gpuWatts) : Ordered(nullptr);
    }
    return j;
}

// A history that exists but cannot be read is no empty history: say so and fail.
int cannotRead(const char* command, const std::string& problem) {
    std::cerr << "tarvelctl " << command << ": cannot read the battery history ("
              << printable(problem) << ")\n";
    return 1;
}

std::string padLeft(const std::string& s, std::size_t width) {
    return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

}  // namespace

int runWhy(const Args& args, std::ostream& out) {
    noPositional(args, "why");
    const double now = timeOption(args, "now", Clock::system().now());
    std::string problem;
    const WhyDrain why =
        whyDrainFromFile(args.has("log") ? args.value("log") : defaultLogPath(), now, &problem);
    if (!problem.empty()) return cannotRead("why", problem);
    if (args.has("json")) {
        Ordered j = Ordered::object();
        j["dropPercent"] = why.dropPercent;
        j["windowLabel"] = why.windowLabel;
        j["culprits"] = Ordered::array();
        for (const auto& c : why.culprits) {
            Ordered culprit = {{"name", c.name}, {"share", c.share}, {"note", c.note}};
            if (c.gpuShare > 0) culprit["gpuShare"] = c.gpuShare;
            j["culprits"].push_back(culprit);
        }
        j["summary"] = why.summary;
        out << withSchema(j).dump(2) << "\n";
        return 0;
    }
    out << printable(why.summary) << "\n";
    for (const auto& c : why.culprits)
        out << "  " << printable(c.name) << ": " << printable(c.note) << "\n";
    return 0;
}

int runTop(const Args& args, std::ostream& out) {
    noPositional(args, "top");
    const double interval = args.number("interval").value_or(2.0);
    // The sampler measures at least one second between passes, so shorter waits would skew it.
    if (!(interval >= 1.0 && interval <= 3600.0))
        throw UsageError("--interval must be between 1 and 3600 seconds");
    const auto given = args.number("watts");
    if (given && !(std::isfinite(*given) && *given >= 0))
        throw UsageError("--watts must be 0 or more");
    const bool fast = args.has("fast");
    const MachineRoots roots = machineRootsFrom(args);
    if (const QFileInfo proc(QString::fromStdString(roots.proc)); !proc.isDir()) {
        std::cerr << "tarvelctl top: the process folder " << printable(roots.proc)
                  << (proc.exists() ? " is not a folder" : " is missing") << "\n";
        return 1;
    }

    // The measured power is the power store's, polled at both passes: the energy counters, where
    // readable, need the first poll to give a rate at the second.
    const auto core = AppCore::forMachine(roots);
    PowerStore& store = core->powerStore();
    if (!given) {
        store.poll();
        waitForPolls(store, 1);
    }
    const double start = Clock::system().now();
    EnergySampler sampler(core->platform().processList(), start);
    sampler.pass(start, 0, fast);  // every process is new here: nothing to attribute yet
    std::unique_ptr<AppCore> second;
    if (args.has("second-proc-root")) {
        MachineRoots later = roots;
        later.proc = args.value("second-proc-root");
        CoreServices readOnly;
        readOnly.drainHistory = readOnly.drainAlerts = readOnly.chargeControl = false;
        second = AppCore::forMachine(later, readOnly);
        sampler.setProcesses(second->platform().processList());
    }
    runEventsFor(static_cast<int>(interval * 1000));
    if (!given) {
        store.poll();
        waitForPolls(store, 2);
    }
    const PowerFigures figures = powerFiguresOf(store);
    const double watts = given ? *given : attributableWatts(figures);
    const std::optional<double> gpuWatts = given ? std::nullopt : figures.gpuWatts;
    const std::vector<ProcEnergy> rows = sampler.pass(Clock::system().now(), watts, fast, gpuWatts);
    // Without GPU data the output stays as it has always been.
    bool withGpu = gpuWatts.has_value();
    for (const auto& p : rows) withGpu = withGpu || p.gpuPercent > 0;

    if (args.has("json")) {
        Ordered list = Ordered::array();
        for (const auto& p : rows) list.push_back(rowJson(p, withGpu));
        out << list.dump(2) << "\n";
        return 0;
    }
    out << "Measured power: " << formatFixed(watts, 2) << " W";
    if (gpuWatts) out << " (GPU " << formatFixed(*gpuWatts, 2) << " W)";
    out << "\n";
    if (rows.empty()) {
        out << "No process used enough CPU in the last " << formatFixed(interval, 1) << " s.\n";
        return 0;
    }
    out << (withGpu ? "    PID   CPU%   GPU%  SHARE  WATTS  NAME\n"
                    : "    PID   CPU%  SHARE  WATTS  NAME\n");
    for (const auto& p : rows) {
        out << padLeft(std::to_string(p.id), 7) << padLeft(formatFixed(p.cpuPercent, 1), 7);
        if (withGpu) out << padLeft(formatFixed(p.gpuPercent, 1), 7);
        out << padLeft(formatFixed(p.powerShare * 100, 0) + "%", 7)
            << padLeft(formatFixed(p.estimatedWatts, 2), 7) << "  " << printable(p.name);
        if (p.path) out << "  " << printable(*p.path);
        out << "\n";
    }
    return 0;
}

namespace {

// Whether the history file holds nothing from before `cutoff` (a prune would change nothing).
bool clearedUpTo(const std::string& path, double cutoff) {
    const drain_file::LogRead read = drain_file::readLog(path);
    if (read.status != drain_file::LogRead::Status::Read)
        return read.status == drain_file::LogRead::Status::Missing;
    return !drain_file::pruneText(read.text, cutoff).changed;
}

// Clears the history whichever process writes it: directly when no other process does,
// otherwise through the writer, which follows the request within moments.
int runHistoryClear(std::ostream& out) {
    const auto core = AppCore::forMachine();
    DrainLog& log = core->drainLog();
    log.setNoticeHandler({});
    log.clearAll();
    log.waitForPendingWork();
    if (log.acquireWriterLock()) {
        out << "Cleared the local history in " << printable(log.supportDir()) << ".\n";
        return 0;
    }
    const double clearedBefore = core->settings().date(DrainLog::kClearedBeforeKey).value_or(0);
    runEventsUntil([&] { return clearedUpTo(log.fileURL(), clearedBefore); }, 10000);
    if (!clearedUpTo(log.fileURL(), clearedBefore)) {
        out << "Asked the Tarvel process that writes the history in " << printable(log.supportDir())
            << " to clear it, but it has not done so yet.\n";
        return 1;
    }
    out << "Cleared the local history in " << printable(log.supportDir())
        << " (through the Tarvel process that writes it).\n";
    return 0;
}

}  // namespace

int runHistory(const Args& args, std::ostream& out) {
    if (!args.positional().empty() && args.positional()[0] == "clear") {
        if (args.positional().size() > 1 || args.has("csv") || args.has("json") ||
            args.has("log") || args.has("since"))
            throw UsageError("history clear takes no arguments or options");
        return runHistoryClear(out);
    }
    noPositional(args, "history");
    if (args.has("csv") && args.has("json")) throw UsageError("choose one of --csv and --json");
    std::optional<double> since =
        args.has("since") ? std::optional<double>(timeOption(args, "since", 0)) : std::nullopt;
    const std::string path = args.has("log") ? args.value("log") : defaultLogPath();
    if (!args.has("log")) {
        // The writer trims lazily: what it keeps beyond the retention or a clear is not shown.
        const double cutoff =
            AppCore::forMachine()->drainLog().cutoff(timeOption(args, "now", Clock::system().now()));
        since = std::max(since.value_or(cutoff), cutoff);
    }
    const drain_file::LogRead read = drain_file::readLog(path);
    if (read.status == drain_file::LogRead::Status::Unreadable)
        return cannotRead("history", read.problem);
    // No history yet is an empty export; a log named on the command line must be there.
    if (read.status == drain_file::LogRead::Status::Missing && args.has("log"))
        throw UsageError("cannot read " + path);
    const auto records = historyRecords(read.text, since);
    out << (args.has("json") ? historyJson(records) : historyCsv(records));
    return 0;
}

}  // namespace tarvel::cli
