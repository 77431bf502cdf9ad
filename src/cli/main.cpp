#include <QCoreApplication>
#include <QGuiApplication>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/TerminalText.h"
#include "cli/Args.h"
#include "cli/Commands.h"

namespace {

const char* const kUsage =
    "usage: tarvelctl COMMAND [OPTIONS]\n"
    "\n"
    "  snapshot [--json] [--sysfs-root DIR] [--registry FILE] [--power-sources FILE]\n"
    "           [--ioreg-text FILE] [--pmset-text FILE] [--no-cross-check]\n"
    "      read every battery source once and print the merged snapshot\n"
    "  replay FILE [--json]\n"
    "      feed a JSON-lines script of snapshots through the battery smoothing\n"
    "  status [--json] [--sysfs-root DIR] [--powercap-root DIR]\n"
    "      run the power store for two polls and print the published power state\n"
    "  watch [--json] [--no-log] [--sysfs-root DIR] [--powercap-root DIR]\n"
    "      keep polling until interrupted, printing a line whenever a shown value changes;\n"
    "      keeps the drain history and fast-drain alerts while the application is not running\n"
    "  watch --waybar [--no-log] [--sysfs-root DIR] [--powercap-root DIR]\n"
    "      the same, printing the status item as waybar custom-module JSON, one object a line\n"
    "  charge [--json] [--sysfs-root DIR]\n"
    "      show what the charge limit would do now and the charger's mode (writes nothing)\n"
    "  charge apply [--json] [--sysfs-root DIR]\n"
    "      evaluate the charge limit once and write the charger mode it wants\n"
    "  charge set-mode auto|inhibit|force-discharge [--sysfs-root DIR]\n"
    "      write one charger mode\n"
    "  charge hold [--limit N] [--sysfs-root DIR]\n"
    "      hold the charge limit in the foreground until interrupted\n"
    "  why [--json] [--log FILE] [--now ISO-8601]\n"
    "      explain the battery drop over the hour before now from the drain history\n"
    "  top [--json] [--proc-root DIR] [--watts W] [--interval SECONDS] [--fast]\n"
    "      sample processes twice and print the estimated watts of the busiest\n"
    "  history [--csv|--json] [--log FILE] [--since ISO-8601]\n"
    "      export the drain history (CSV by default)\n"
    "  history clear\n"
    "      delete the drain history, whichever Tarvel process writes it\n"
    "  icon [--mode percent|watts] [--png FILE] [--scale S] [--tray SIZE] [--sysfs-root DIR]\n"
    "       [--level N] [--charging] [--on-ac] [--no-battery] [--watts W] [--minutes M]\n"
    "       [--low-power]\n"
    "      draw the status item for this machine, or for the battery state given, and print\n"
    "      its text, symbol, tint and size; --png writes the image (--tray: the square tray\n"
    "      icon of SIZE pixels)\n"
    "  update check [--manifest-url URL] [--json]\n"
    "      fetch the version manifest and say what the update check at launch would offer\n";

// Drawing text needs a GUI application; on a machine without a display it draws offscreen.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv, bool draws) {
    if (!draws) return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const auto app = makeApplication(argc, argv, !args.empty() && args[0] == "icon");
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::cout << kUsage;
        return args.empty() ? 2 : 0;
    }
    const std::map<std::string, int (*)(const std::vector<std::string>&, std::ostream&)> commands{
        {"snapshot", tarvel::cli::runSnapshot}, {"replay", tarvel::cli::runReplay},
        {"status", tarvel::cli::runStatus},     {"watch", tarvel::cli::runWatch},
        {"charge", tarvel::cli::runCharge},     {"why", tarvel::cli::runWhy},
        {"top", tarvel::cli::runTop},           {"history", tarvel::cli::runHistory},
        {"icon", tarvel::cli::runIcon},
        {"update", tarvel::cli::runUpdate},
    };
    const auto it = commands.find(args[0]);
    if (it == commands.end()) {
        std::cerr << "tarvelctl: unknown command \"" << tarvel::printable(args[0])
                  << "\" (try tarvelctl --help)\n";
        return 2;
    }
    try {
        return it->second({args.begin() + 1, args.end()}, std::cout);
    } catch (const tarvel::cli::UsageError& e) {
        // Messages name paths and arguments as given: escaped like every text output.
        std::cerr << "tarvelctl " << args[0] << ": " << tarvel::printable(e.what()) << "\n";
        return 2;
    }
}
