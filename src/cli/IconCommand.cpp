// tarvelctl icon: the status item's text, symbol, tint and drawn image, for the live machine
// or for a battery state given on the command line.
#include <QImage>
#include <iostream>

#include "app/AppCore.h"
#include "base/Format.h"
#include "base/TerminalText.h"
#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/EventWait.h"
#include "cli/MachineOptions.h"
#include "cli/StatusItemJson.h"
#include "platform/LowPowerMode.h"
#include "shell/statusitem/MenuBarBatteryIcon.h"

namespace tarvel::cli {

namespace {

constexpr const char* kStateOptions[] = {"level", "charging", "on-ac",    "no-battery",
                                         "watts", "minutes",  "low-power"};

bool givesState(const Args& args) {
    for (const char* name : kStateOptions)
        if (args.has(name)) return true;
    return false;
}

double requiredNumber(const Args& args, const std::string& name) {
    const auto n = args.number(name);
    if (!n) throw UsageError("--" + name + " needs a number, not \"" + args.value(name) + "\"");
    return *n;
}

StatusItemState stateFromOptions(const Args& args, UserDefaults& settings) {
    StatusItemState s;
    s.mode = MenuBarDisplay::current(settings);
    s.criticalPercent = BatteryMenuChrome::criticalBatteryPercent(settings);
    s.level = args.has("level") ? int(requiredNumber(args, "level")) : 100;
    if (s.level < 0 || s.level > 100) throw UsageError("--level takes 0…100");
    s.charging = args.has("charging");
    s.onAC = args.has("on-ac") || s.charging;
    s.present = !args.has("no-battery");
    s.packageWatts = args.has("watts") ? requiredNumber(args, "watts") : 0.0;
    if (args.has("minutes")) s.remainingMinutes = std::int64_t(requiredNumber(args, "minutes"));
    s.lowPower = args.has("low-power");
    return s;
}

}  // namespace

nlohmann::json waybarObject(const StatusItemState& state) {
    nlohmann::json line = {{"text", statusText(state)},
                           {"tooltip", tooltipText(state)},
                           {"class", BatteryMenuChrome::tintName(tintOf(state))}};
    // Left out while unknown: waybar would read 0 as an empty battery.
    if (state.levelKnown) line["percentage"] = state.level;
    return line;
}

int runIcon(const Args& args, std::ostream& out) {
    if (!args.positional().empty())
        throw UsageError("icon takes no arguments: " + args.positional()[0]);
    if (givesState(args) && args.has("sysfs-root"))
        throw UsageError("--sysfs-root reads the machine; it does not go with a given state");
    const double scale = args.has("scale") ? requiredNumber(args, "scale") : 1.0;
    if (!(scale >= 0.5 && scale <= 8)) throw UsageError("--scale takes 0.5…8");

    const auto core = AppCore::forMachine(machineRootsFrom(args));
    StatusItemState state;
    if (givesState(args)) {
        state = stateFromOptions(args, core->settings());
    } else {
        core->powerStore().poll();
        waitForPolls(core->powerStore(), 1);
        state = statusItemState(core->powerStore(), core->settings(),
                                core->platform().lowPowerMode().isLowPowerModeEnabled());
    }
    if (args.has("mode")) {
        const auto mode = MenuBarDisplay::fromRawValue(args.value("mode"));
        if (!mode) throw UsageError("--mode takes percent or watts");
        state.mode = *mode;
    }

    int traySize = 0;
    if (args.has("tray")) {
        traySize = int(requiredNumber(args, "tray"));
        if (traySize < 16 || traySize > 256) throw UsageError("--tray takes 16…256");
    }
    const QImage image = traySize ? MenuBarBatteryIcon::trayIcon(state, traySize, scale)
                                  : MenuBarBatteryIcon::image(state, scale);
    out << "Text: " << printable(statusText(state)) << "\n"
        << "Symbol: " << symbolOf(state) << "\n"
        << "Tint: " << BatteryMenuChrome::tintName(tintOf(state)) << "\n"
        << "Image: " << (traySize ? traySize : MenuBarBatteryIcon::layout(state).width) << "x"
        << (traySize ? traySize : MenuBarBatteryIcon::kHeight) << " (" << image.width() << "x"
        << image.height() << " pixels at scale " << formatFixed(scale, scale == int(scale) ? 0 : 1)
        << ")\n";
    if (args.has("png")) {
        const std::string path = args.value("png");
        if (!image.save(QString::fromStdString(path), "PNG")) {
            std::cerr << "tarvelctl icon: cannot write " << printable(path) << "\n";
            return 1;
        }
        out << "Wrote " << printable(path) << "\n";
    }
    return 0;
}

}  // namespace tarvel::cli
