// tarvelctl charge: the charge-limit controller's view, one charger mode write, and a
// foreground charge limiter for machines without a tray.
#include <QCoreApplication>
#include <QTimer>
#include <functional>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "base/UserDefaults.h"
#include "charge/ChargeLimitController.h"
#include "charge/ChargeSMC.h"
#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/JsonOptional.h"
#include "platform/linux/ProcessCommandRunner.h"
#include "platform/linux/SysfsBatteryServices.h"
#include "platform/linux/SysfsChargerTransport.h"
#include "platform/linux/TerminationSignals.h"
#include "telemetry/MachinePowerSources.h"

namespace tarvel::cli {

namespace {

// One battery read into the store, without the command-line cross-check (the macOS tools it
// runs do not exist here).
void refreshBattery(PowerStore& store, const std::string& sysRoot) {
    SysfsBatteryServices services(sysRoot);
    store.applyBattery(PowerStore::readBattery(false, services, ProcessCommandRunner::shared()));
}

const char* overridesText(const ChargeLimitController& c) {
    if (c.forceDischarge()) return "discharge on AC";
    if (c.forceFullCharge()) return "charge to 100% once";
    return "none";
}

void printView(const ChargeLimitController& c, const ChargeSMC& smc, bool json, std::ostream& out) {
    if (json) {
        const nlohmann::json j{
            {"status", caseName(c.status())},
            {"statusLine", c.statusLine()},
            {"appModeLabel", c.appModeLabel()},
            {"modeDescription", c.modeDescription()},
            {"detail", c.detail()},
            {"backendName", c.backendName()},
            {"lastError", orNull(c.lastError())},
            {"chargerError", orNull(smc.lastError())},
            {"isEnabled", c.isEnabled()},
            {"limitPercent", static_cast<int>(c.limitPercent())},
            {"forceFullCharge", c.forceFullCharge()},
            {"forceDischarge", c.forceDischarge()},
        };
        out << j.dump(2) << "\n";
        return;
    }
    out << "Charge control: " << c.statusLine() << "\n"
        << "Mode: " << c.appModeLabel() << "\n"
        << "Charger: " << c.modeDescription() << "\n"
        << "Detail: " << c.detail() << "\n"
        << "Backend: " << c.backendName();
    if (!smc.isAvailable() && smc.lastError()) out << " (" << *smc.lastError() << ")";
    out << "\n"
        << "Limit: " << static_cast<int>(c.limitPercent()) << "% (management "
        << (c.isEnabled() ? "on" : "off") << ")\n"
        << "Overrides: " << overridesText(c) << "\n"
        << "Last error: " << c.lastError().value_or("—") << "\n";
}

std::string holdLine(const ChargeLimitController& c) {
    std::string line = c.statusLine() + " — " + c.detail();
    if (c.lastError()) line += " [" + *c.lastError() + "]";
    return line;
}

int runStatus(const Args& args, std::ostream& out) {
    const std::string root = args.value("sysfs-root", "/sys");
    PowerStore store;
    refreshBattery(store, root);
    SysfsChargerTransport transport(root);
    ChargeSMC smc(transport);
    ChargeLimitController controller(UserDefaults::standard(), smc, batteryStateOf(store));
    controller.evaluate();
    printView(controller, smc, args.has("json"), out);
    return 0;
}

int runSetMode(const Args& args, std::ostream& out) {
    if (args.positional().size() != 2)
        throw UsageError("set-mode takes one of auto, inhibit, force-discharge");
    const std::string& name = args.positional()[1];
    ChargeSMCMode mode;
    if (name == "auto")
        mode = ChargeSMCMode::auto_;
    else if (name == "inhibit")
        mode = ChargeSMCMode::inhibit;
    else if (name == "force-discharge")
        mode = ChargeSMCMode::forceDischarge;
    else
        throw UsageError("unknown mode \"" + name + "\" (auto, inhibit or force-discharge)");

    SysfsChargerTransport transport(args.value("sysfs-root", "/sys"));
    ChargeSMC smc(transport);
    const auto whyUnavailable = smc.isAvailable() ? std::nullopt : smc.lastError();
    if (!smc.setMode(mode)) {
        std::cerr << smc.lastError().value_or("SMC error");
        if (whyUnavailable) std::cerr << " (" << *whyUnavailable << ")";
        std::cerr << "\n";
        return 1;
    }
    out << "Charger mode: " << name << "\n";
    return 0;
}

int runHold(const Args& args, std::ostream& out) {
    const std::string root = args.value("sysfs-root", "/sys");
    const auto limit = args.number("limit");

    SysfsChargerTransport transport(root);
    ChargeSMC smc(transport);
    if (!smc.isAvailable()) {
        // The charger is opened once; nothing this loop could do would ever reach it.
        std::cerr << "tarvelctl charge hold: " << smc.lastError().value_or("SMC unavailable")
                  << "\n";
        return 1;
    }
    if (!quitOnTerminationSignals()) {
        std::cerr << "tarvelctl charge hold: cannot watch for SIGINT and SIGTERM\n";
        return 1;
    }

    QObject scope;
    MachineRoots roots;
    roots.sys = root;
    roots.powercap = root + "/class/powercap";
    MachinePowerSources sources(roots);
    PowerStore store(sources.environment());
    store.start();
    ChargeLimitController controller(UserDefaults::standard(), smc, batteryStateOf(store));
    if (limit) controller.setLimitPercent(*limit);

    // Several fields change within one evaluation; print the settled state once.
    std::string lastLine;
    bool printQueued = false;
    auto queuePrint = [&] {
        if (printQueued) return;
        printQueued = true;
        QTimer::singleShot(0, &scope, [&] {
            printQueued = false;
            const std::string line = holdLine(controller);
            if (line == lastLine) return;
            lastLine = line;
            out << line << std::endl;
        });
    };
    for (auto signal :
         {&ChargeLimitController::statusChanged, &ChargeLimitController::detailChanged,
          &ChargeLimitController::lastErrorChanged, &ChargeLimitController::limitPercentChanged})
        QObject::connect(&controller, signal, &scope, queuePrint);

    out << "Holding " << static_cast<int>(controller.limitPercent())
        << "% while the charger is connected; stop with Ctrl-C." << std::endl;
    controller.start();
    queuePrint();
    QCoreApplication::exec();

    // Quitting writes nothing: the last mode stays in effect, as when the application quits.
    const auto applied = controller.appliedMode();
    out << "Stopped; charger mode left as " << (applied ? rawName(*applied) : "it was") << "."
        << std::endl;
    return 0;
}

}  // namespace

int runCharge(const std::vector<std::string>& argv, std::ostream& out) {
    const Args args(argv, {"json"}, {"sysfs-root", "limit"});
    const std::string sub = args.positional().empty() ? "" : args.positional()[0];
    if (sub != "hold" && args.has("limit")) throw UsageError("--limit belongs to charge hold");
    if (!sub.empty() && args.has("json"))
        throw UsageError("--json belongs to charge without a subcommand");
    if (sub.empty()) return runStatus(args, out);
    if (sub == "set-mode") return runSetMode(args, out);
    if (sub == "hold") {
        if (args.positional().size() > 1)
            throw UsageError("hold takes no arguments: " + args.positional()[1]);
        return runHold(args, out);
    }
    throw UsageError("unknown subcommand \"" + sub + "\" (set-mode or hold)");
}

}  // namespace tarvel::cli
