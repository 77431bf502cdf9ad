#include <QCoreApplication>
#include <QDBusConnection>
#include <QDateTime>
#include <QTimer>
#include <iostream>

#include "base/Format.h"
#include "base/SupportPaths.h"
#include "base/UserDefaults.h"
#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/EventWait.h"
#include "cli/PublishedJson.h"
#include "drain/DrainAlertMonitor.h"
#include "drain/DrainLog.h"
#include "drain/PowerFigures.h"
#include "drain/ProcessEnergyStore.h"
#include "platform/linux/DBusNotificationCenter.h"
#include "platform/linux/LogindSleepWakeEvents.h"
#include "platform/linux/ProcProcessList.h"
#include "platform/linux/TerminationSignals.h"
#include "telemetry/MachinePowerSources.h"

namespace tarvel::cli {

namespace {

MachineRoots rootsFrom(const Args& args) {
    MachineRoots roots;
    roots.sys = args.value("sysfs-root", "/sys");
    roots.powercap = args.value("powercap-root", roots.sys + "/class/powercap");
    return roots;
}

std::string packageText(const PowerStore& s) {
    std::string text =
        "package " + formatFixed(s.packageWatts(), 1) + " W (" + s.packageSource() + ")";
    if (s.hasPowerDistribution())
        text += ": cpu " + formatFixed(s.cpuDomainWatts(), 1) + " W, gpu " +
                formatFixed(s.gpuDomainWatts(), 1) + " W, dram " +
                formatFixed(s.dramDomainWatts(), 1) + " W";
    return text;
}

std::string oneLine(const PowerStore& s) {
    return std::to_string(s.levelPercent()) + " %  " + s.statusText() + "  |  " + s.timeText() +
           "  |  " + packageText(s);
}

void printStatusText(const PowerStore& s, std::ostream& out) {
    out << "Battery: " << s.statusText() << ", " << s.timeText();
    if (s.batteryPresent())
        out << " (" << s.levelPercent() << " %, time from " << s.timeEstimateSource() << ")";
    out << "\n";
    out << "Sources: " << s.batterySourcesUsed() << "\n";
    out << "Power: " << packageText(s) << "\n";
    out << "Cores: performance " << formatFixed(s.pCoreShare(), 2) << ", efficiency "
        << formatFixed(s.eCoreShare(), 2) << "\n";
    out << "History: " << s.wattHistory().size() << " values, polling every "
        << formatFixed(s.currentInterval(), 0) << " s\n";
}

}  // namespace

int runStatus(const std::vector<std::string>& argv, std::ostream& out) {
    const Args args(argv, {"json"}, {"sysfs-root", "powercap-root"});
    if (!args.positional().empty())
        throw UsageError("status takes no arguments: " + args.positional()[0]);
    MachinePowerSources sources(rootsFrom(args));
    PowerStore store(sources.environment());
    store.start();
    waitForPolls(store, 1);
    runEventsFor(2000);  // the energy counters need a second sample to give a rate
    store.poll();
    waitForPolls(store, 2);
    if (args.has("json"))
        out << publishedPowerJson(store).dump(2) << "\n";
    else
        printStatusText(store, out);
    return 0;
}

int runWatch(const std::vector<std::string>& argv, std::ostream& out) {
    const Args args(argv, {"json", "no-log"}, {"sysfs-root", "powercap-root"});
    if (!args.positional().empty())
        throw UsageError("watch takes no arguments: " + args.positional()[0]);
    const bool json = args.has("json");
    const bool keepHistory = !args.has("no-log");

    // While the application is not running, watch keeps the drain history and the fast-drain
    // alerts going; the history's writer lock decides which of the two writes.
    DrainLog log(Clock::system(), UserDefaults::standard(), supportDir());
    if (keepHistory)
        log.acquireWriterLock();  // when another process holds it, the log says so once
    ProcProcessList processes;
    ProcessEnergyStore* energy = nullptr;
    DrainAlertMonitor alerts(Clock::system(), UserDefaults::standard(),
                             DBusNotificationCenter::shared(), [&]() -> std::optional<std::string> {
                                 if (!energy || energy->top().empty()) return std::nullopt;
                                 return energy->top().front().name;
                             });

    MachinePowerSources sources(rootsFrom(args));
    PowerStoreEnvironment env = sources.environment();
    if (keepHistory) env.recorder = &log;
    env.evaluator = &alerts;
    PowerStore store(std::move(env));
    ProcessEnergyStore energyStore(Clock::system(), processes, powerFiguresFrom(store),
                                   keepHistory ? &log : nullptr);
    energy = &energyStore;

    LogindSleepWakeEvents sleepWake(QDBusConnection::systemBus(), QDBusConnection::sessionBus());
    auto transition = [&](const char* event, bool wake) {
        if (keepHistory) log.recordEvent(event);
        store.notePowerTransition(wake);
    };
    QObject::connect(&sleepWake, &SleepWakeEvents::systemWillSleep,
                     [&] { transition("system_sleep", false); });
    QObject::connect(&sleepWake, &SleepWakeEvents::systemDidWake,
                     [&] { transition("system_wake", true); });
    QObject::connect(&sleepWake, &SleepWakeEvents::displayDidSleep,
                     [&] { transition("display_sleep", false); });
    QObject::connect(&sleepWake, &SleepWakeEvents::displayDidWake,
                     [&] { transition("display_wake", true); });

    std::string lastShown;
    QObject::connect(&store, &PowerStore::pollApplied, [&] {
        const std::string shown = oneLine(store);
        if (shown == lastShown) return;
        lastShown = shown;
        const std::string now = QDateTime::currentDateTime().toString(Qt::ISODate).toStdString();
        if (json) {
            nlohmann::json j = publishedPowerJson(store);
            j["time"] = now;
            out << j.dump() << std::endl;
        } else {
            out << now << "  " << shown << std::endl;
        }
    });
    quitOnTerminationSignals();
    store.start();
    energyStore.start();
    QCoreApplication::exec();
    log.waitForPendingWork();
    return 0;
}

}  // namespace tarvel::cli
