#include <QCoreApplication>
#include <iostream>
#include <map>
#include <string>
#include <vector>

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
    "      delete the drain history, whichever Tarvel process writes it\n";

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::cout << kUsage;
        return args.empty() ? 2 : 0;
    }
    const std::map<std::string, int (*)(const std::vector<std::string>&, std::ostream&)> commands{
        {"snapshot", tarvel::cli::runSnapshot}, {"replay", tarvel::cli::runReplay},
        {"status", tarvel::cli::runStatus},     {"watch", tarvel::cli::runWatch},
        {"charge", tarvel::cli::runCharge},     {"why", tarvel::cli::runWhy},
        {"top", tarvel::cli::runTop},           {"history", tarvel::cli::runHistory},
    };
    const auto it = commands.find(args[0]);
    if (it == commands.end()) {
        std::cerr << "tarvelctl: unknown command \"" << args[0] << "\" (try tarvelctl --help)\n";
        return 2;
    }
    try {
        return it->second({args.begin() + 1, args.end()}, std::cout);
    } catch (const tarvel::cli::UsageError& e) {
        std::cerr << "tarvelctl " << args[0] << ": " << e.what() << "\n";
        return 2;
    }
}
