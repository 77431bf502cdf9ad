// tarvelctl charge: the charge-limit controller's view, applying it once, one charger mode
// write, and a foreground charge limiter for machines without a tray.
#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <array>
#include <functional>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "app/AppCore.h"
#include "base/TerminalText.h"
#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/EventWait.h"
#include "cli/JsonOptional.h"
#include "cli/JsonSchema.h"
#include "cli/MachineOptions.h"
#include "platform/TerminationSignals.h"

namespace tarvel::cli {

namespace {

// A core whose power store has applied one poll, so the controller sees the battery as the
// running services would.
std::unique_ptr<AppCore> coreWithBattery(const Args& args) {
    auto core = AppCore::forMachine(machineRootsFrom(args));
    core->powerStore().poll();
    waitForPolls(core->powerStore(), 1);
    return core;
}

// The charger modes by the names tarvelctl uses for them.
constexpr std::array<std::pair<const char*, ChargeSMCMode>, 3> kModeNames{
    {{"auto", ChargeSMCMode::auto_},
     {"inhibit", ChargeSMCMode::inhibit},
     {"force-discharge", ChargeSMCMode::forceDischarge}}};

const char* modeName(std::optional<ChargeSMCMode> mode) {
    for (const auto& [name, m] : kModeNames)
        if (mode == m) return name;
    return nullptr;
}

const char* overridesText(const ChargeLimitController& c) {
    if (c.forceDischarge()) return "discharge on AC";
    if (c.forceFullCharge()) return "charge to 100% once";
    return "none";
}

// What the controller shows, the mode it holds (or would hold) and the mode the charger is in.
struct ChargeView {
    std::optional<ChargeSMCMode> wanted;
    std::optional<ChargeSMCMode> charger;
    std::string state;  // what the charger holds when it is in no mode
};

std::string orUnknown(const std::string& text) {
    return text.empty() ? "unknown" : text;
}

// The mode the controller wants now and the one the charger is in.
ChargeView modesOf(AppCore& core) {
    const auto charger = core.charger().readMode();
    return {core.chargeLimit().decide(batteryStateOf(core.powerStore())(), charger).mode, charger,
            charger ? std::string() : core.charger().stateText()};
}

void printView(const ChargeLimitController& c, const ChargeSMC& smc, const ChargeView& modes,
               bool json, std::ostream& out) {
    if (json) {
        const char* wanted = modeName(modes.wanted);
        const char* charger = modeName(modes.charger);
        const nlohmann::json j{
            {"status", caseName(c.status())},
            {"statusLine", c.statusLine()},
            {"appModeLabel", c.appModeLabel()},
            {"modeDescription", c.modeDescription()},
            {"detail", c.detail()},
            {"backendName", c.backendName()},
            {"backendDetail", c.backendDetail().empty() ? nlohmann::json(nullptr)
                                                        : nlohmann::json(c.backendDetail())},
            {"lastError", orNull(c.lastError())},
            {"chargerError", orNull(smc.lastError())},
            {"isEnabled", c.isEnabled()},
            {"limitPercent", static_cast<int>(c.limitPercent())},
            {"forceFullCharge", c.forceFullCharge()},
            {"forceDischarge", c.forceDischarge()},
            {"wantedMode", wanted ? nlohmann::json(wanted) : nlohmann::json(nullptr)},
            {"chargerMode", charger ? nlohmann::json(charger) : nlohmann::json(nullptr)},
            {"chargerState",
             modes.state.empty() ? nlohmann::json(nullptr) : nlohmann::json(modes.state)},
        };
        out << withSchema(j).dump(2) << "\n";
        return;
    }
    out << "Charge control: " << printable(c.statusLine()) << "\n"
        << "Mode: " << printable(c.appModeLabel()) << "\n"
        << "Charger: " << printable(c.modeDescription()) << "\n"
        << "Detail: " << printable(c.detail()) << "\n"
        << "Backend: " << printable(c.backendName());
    if (!smc.isAvailable() && smc.lastError()) out << " (" << printable(*smc.lastError()) << ")";
    if (!c.backendDetail().empty()) out << " — " << printable(c.backendDetail());
    out << "\n"
        << "Limit: " << static_cast<int>(c.limitPercent()) << "% (management "
        << (c.isEnabled() ? "on" : "off") << ")\n"
        << "Overrides: " << overridesText(c) << "\n"
        << "Wanted mode: " << (modeName(modes.wanted) ? modeName(modes.wanted) : "—") << "\n"
        << "Charger mode: "
        << (modeName(modes.charger) ? std::string(modeName(modes.charger))
                                    : printable(orUnknown(modes.state)))
        << "\n"
        << "Last error: " << printable(c.lastError().value_or("—")) << "\n";
}

std::string holdLine(const ChargeLimitController& c) {
    std::string line = c.statusLine() + " — " + c.detail();
    if (c.lastError()) line += " [" + *c.lastError() + "]";
    return printable(line);
}

// Read-only: what the controller would do now, and what the charger does. A status bar may
// poll this without ever undoing the hold.
int runView(const Args& args, std::ostream& out) {
    const auto core = coreWithBattery(args);
    ChargeLimitController& controller = core->chargeLimit();
    controller.preview();
    printView(controller, core->charger(), modesOf(*core), args.has("json"), out);
    return 0;
}

// One evaluation with its writes, as the running controller makes every 3 s.
int runApply(const Args& args, std::ostream& out) {
    const auto core = coreWithBattery(args);
    ChargeLimitController& controller = core->chargeLimit();
    controller.evaluate();
    printView(controller, core->charger(), modesOf(*core), args.has("json"), out);
    return controller.lastError() ? 1 : 0;
}

int runSetMode(const Args& args, std::ostream& out) {
    if (args.positional().size() != 2)
        throw UsageError("set-mode takes one of auto, inhibit, force-discharge");
    const std::string& name = args.positional()[1];
    const auto known = std::find_if(kModeNames.begin(), kModeNames.end(),
                                    [&](const auto& entry) { return name == entry.first; });
    if (known == kModeNames.end())
        throw UsageError("unknown mode \"" + name + "\" (auto, inhibit or force-discharge)");
    const ChargeSMCMode mode = known->second;

    const auto core = AppCore::forMachine(machineRootsFrom(args));
    ChargeSMC& smc = core->charger();
    const auto whyUnavailable = smc.isAvailable() ? std::nullopt : smc.lastError();
    // A threshold charger inhibits at a level: the one the settings hold.
    smc.setHoldLimit(static_cast<int>(core->chargeLimit().limitPercent()));
    if (!smc.setMode(mode)) {
        std::cerr << printable(smc.lastError().value_or("Charge control error"));
        if (whyUnavailable) std::cerr << " (" << printable(*whyUnavailable) << ")";
        std::cerr << "\n";
        return 1;
    }
    out << "Charger mode: " << name << "\n";
    return 0;
}

int runHold(const Args& args, std::ostream& out) {
    const auto limit = args.number("limit");
    CoreServices services;
    services.drainHistory = services.processEnergy = services.drainAlerts = false;
    const auto core = AppCore::forMachine(machineRootsFrom(args), services);
    ChargeSMC& smc = core->charger();
    if (!smc.isAvailable()) {
        // The charger is opened once; nothing this loop could do would ever reach it.
        std::cerr << "tarvelctl charge hold: "
                  << printable(smc.lastError().value_or("Charge control unavailable")) << "\n";
        return 1;
    }
    if (!quitOnTerminationSignals()) {
        std::cerr << "tarvelctl charge hold: cannot watch for SIGINT and SIGTERM\n";
        return 1;
    }

    QObject scope;
    ChargeLimitController& controller = core->chargeLimit();
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
    // The controller decides once the first poll has read the battery.
    core->start();
    QCoreApplication::exec();

    // Quitting writes nothing: the last mode stays in effect, as when the application quits.
    const auto applied = controller.appliedMode();
    out << "Stopped; charger mode left as " << (applied ? rawName(*applied) : "it was") << "."
        << std::endl;
    return 0;
}

}  // namespace

int runCharge(const Args& args, std::ostream& out) {
    const std::string sub = args.positional().empty() ? "" : args.positional()[0];
    if (sub != "hold" && args.has("limit")) throw UsageError("--limit belongs to charge hold");
    if (!sub.empty() && sub != "apply" && args.has("json"))
        throw UsageError("--json belongs to charge and charge apply");
    if (sub.empty()) return runView(args, out);
    if (sub == "apply") {
        if (args.positional().size() > 1)
            throw UsageError("apply takes no arguments: " + args.positional()[1]);
        return runApply(args, out);
    }
    if (sub == "set-mode") return runSetMode(args, out);
    if (sub == "hold") {
        if (args.positional().size() > 1)
            throw UsageError("hold takes no arguments: " + args.positional()[1]);
        return runHold(args, out);
    }
    throw UsageError("unknown subcommand \"" + sub + "\" (apply, set-mode or hold)");
}

}  // namespace tarvel::cli
