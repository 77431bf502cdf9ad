#include <QCoreApplication>
#include <QDateTime>
#include <iostream>

#include "app/AppCore.h"
#include "base/Format.h"
#include "base/TerminalText.h"
#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/EventWait.h"
#include "cli/JsonSchema.h"
#include "cli/MachineOptions.h"
#include "cli/PublishedJson.h"
#include "cli/StatusItemJson.h"
#include "platform/LowPowerMode.h"
#include "platform/TerminationSignals.h"

namespace tarvel::cli {

namespace {

std::string packageText(const PowerStore& s) {
    std::string text =
        "package " + formatFixed(s.packageWatts(), 1) + " W (" + s.packageSource() + ")";
    if (s.hasPowerDistribution())
        text += ": cpu " + formatFixed(s.cpuDomainWatts(), 1) + " W, gpu " +
                formatFixed(s.gpuDomainWatts(), 1) + " W, dram " +
                formatFixed(s.dramDomainWatts(), 1) + " W";
    return text;
}

// "62 %", or "—" when the level cannot be read.
std::string levelText(const PowerStore& s) {
    return s.levelKnown() ? std::to_string(s.levelPercent()) + " %" : std::string(kDash);
}

std::string oneLine(const PowerStore& s) {
    return printable(levelText(s) + "  " + s.statusText() + "  |  " + s.timeText() + "  |  " +
                     packageText(s));
}

void printStatusText(const PowerStore& s, std::ostream& out) {
    out << "Battery: " << printable(s.statusText()) << ", " << printable(s.timeText());
    if (s.batteryPresent())
        out << " (" << levelText(s) << ", time from " << printable(s.timeEstimateSource()) << ")";
    out << "\n";
    out << "Sources: " << printable(s.batterySourcesUsed()) << "\n";
    out << "Power: " << printable(packageText(s)) << "\n";
    out << "Cores: performance " << formatFixed(s.pCoreShare(), 2) << ", efficiency "
        << formatFixed(s.eCoreShare(), 2) << "\n";
    out << "History: " << s.wattHistory().size() << " values, polling every "
        << formatFixed(s.currentInterval(), 0) << " s\n";
}

}  // namespace

int runStatus(const Args& args, std::ostream& out) {
    if (!args.positional().empty())
        throw UsageError("status takes no arguments: " + args.positional()[0]);
    const auto core = AppCore::forMachine(machineRootsFrom(args));
    PowerStore& store = core->powerStore();
    store.start();
    waitForPolls(store, 1);
    runEventsFor(2000);  // the energy counters need a second sample to give a rate
    store.poll();
    waitForPolls(store, 2);
    if (args.has("json"))
        out << withSchema(publishedPowerJson(store)).dump(2) << "\n";
    else
        printStatusText(store, out);
    return 0;
}

int runWatch(const Args& args, std::ostream& out) {
    if (!args.positional().empty())
        throw UsageError("watch takes no arguments: " + args.positional()[0]);
    const bool json = args.has("json");
    if (json && args.has("waybar")) throw UsageError("--json and --waybar exclude each other");

    // While the application is not running, watch keeps the drain history and the fast-drain
    // alerts going; the history's writer lock decides which of the two writes. It leaves the
    // charger alone: holding the limit is `charge hold`'s job.
    CoreServices services;
    services.drainHistory = !args.has("no-log");
    services.chargeControl = false;
    services.metricsTextfile = args.has("textfile");
    if (services.metricsTextfile && args.value("textfile").empty())
        throw UsageError("--textfile needs a file name");
    const auto core = AppCore::forMachine(machineRootsFrom(args), services);
    PowerStore& store = core->powerStore();
    // The history's notices name its folder, which comes from the environment.
    const auto sayNotice = [](const std::string& text) {
        std::cerr << printable(text) << std::endl;
    };
    core->drainLog().setNoticeHandler(sayNotice);
    // node_exporter's textfile collector reads this file; the setting's file stays the
    // application's.
    if (services.metricsTextfile) {
        core->metricsTextfile().setFixedPath(args.value("textfile"));
        core->metricsTextfile().setNoticeHandler(sayNotice);
    }

    if (args.has("waybar")) {
        // What the status item shows, one JSON object a line; the display mode and critical
        // percent settings count, so their changes print a line too.
        std::string lastLine;
        const auto printIfChanged = [&] {
            if (!store.pollGeneration()) return;
            const bool lowPower = core->platform().lowPowerMode().isLowPowerModeEnabled();
            const std::string line =
                waybarObject(statusItemState(store, core->settings(), lowPower)).dump();
            if (line == lastLine) return;
            lastLine = line;
            out << line << std::endl;
        };
        QObject::connect(&store, &PowerStore::pollApplied, printIfChanged);
        QObject::connect(&core->settings(), &UserDefaults::changed, printIfChanged);
        QObject::connect(&core->platform().lowPowerMode(), &LowPowerMode::changed, printIfChanged);
        quitOnTerminationSignals();
        core->start();
        QCoreApplication::exec();
        core->drainLog().waitForPendingWork();
        return 0;
    }

    std::string lastShown;
    QObject::connect(&store, &PowerStore::pollApplied, [&] {
        const std::string shown = oneLine(store);
        if (shown == lastShown) return;
        lastShown = shown;
        const std::string now = QDateTime::currentDateTime().toString(Qt::ISODate).toStdString();
        if (json) {
            nlohmann::json j = publishedPowerJson(store);
            j["time"] = now;
            out << withSchema(j).dump() << std::endl;
        } else {
            out << now << "  " << shown << std::endl;
        }
    });
    quitOnTerminationSignals();
    core->start();
    QCoreApplication::exec();
    core->drainLog().waitForPendingWork();
    return 0;
}

}  // namespace tarvel::cli
