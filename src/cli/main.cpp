#include <QCoreApplication>
#include <QGuiApplication>
#include <algorithm>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/TerminalText.h"
#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/HelpText.h"
#include "shell/BuildInfo.h"

namespace {

using tarvel::cli::Args;

// Drawing text needs a GUI application; on a machine without a display it draws offscreen.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv, bool draws) {
    if (!draws) return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

int unknownCommand(const std::string& name) {
    std::cerr << "tarvelctl: unknown command \"" << tarvel::printable(name)
              << "\" (try tarvelctl --help)\n";
    return 2;
}

// tarvelctl help [COMMAND [SUBCOMMAND]]
int printHelp(const std::vector<std::string>& words) {
    if (words.empty()) {
        std::cout << tarvel::cli::overviewText();
        return 0;
    }
    const auto* command = tarvel::cli::findCommand(words[0]);
    if (!command) return unknownCommand(words[0]);
    const auto& subs = command->subcommands;
    if (words.size() > 2 ||
        (words.size() == 2 && std::find(subs.begin(), subs.end(), words[1]) == subs.end())) {
        std::cerr << "tarvelctl help: " << words[0] << " has no subcommand \""
                  << tarvel::printable(words.back()) << "\"\n";
        return 2;
    }
    std::cout << tarvel::cli::commandHelpText(*command);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const auto app = makeApplication(argc, argv, !args.empty() && args[0] == "icon");
    if (args.empty()) {
        std::cerr << tarvel::cli::overviewText();
        return 2;
    }
    if (args[0] == "--version") {
        std::cout << "tarvelctl " << tarvel::TARVEL_VERSION << "\n";
        return 0;
    }
    if (args[0] == "--help" || args[0] == "-h") return printHelp({});
    if (args[0] == "help") return printHelp({args.begin() + 1, args.end()});

    const std::map<std::string, int (*)(const Args&, std::ostream&)> commands{
        {"snapshot", tarvel::cli::runSnapshot}, {"replay", tarvel::cli::runReplay},
        {"status", tarvel::cli::runStatus},     {"watch", tarvel::cli::runWatch},
        {"charge", tarvel::cli::runCharge},     {"why", tarvel::cli::runWhy},
        {"top", tarvel::cli::runTop},           {"history", tarvel::cli::runHistory},
        {"icon", tarvel::cli::runIcon},         {"metrics", tarvel::cli::runMetrics},
    };
    const auto* command = tarvel::cli::findCommand(args[0]);
    if (!command) return unknownCommand(args[0]);
    try {
        const Args parsed(*command, {args.begin() + 1, args.end()});
        if (parsed.helpRequested()) {
            std::cout << tarvel::cli::commandHelpText(*command);
            return 0;
        }
        const auto it = commands.find(args[0]);
        if (it == commands.end()) throw tarvel::cli::UsageError("not part of this build");
        return it->second(parsed, std::cout);
    } catch (const tarvel::cli::UsageError& e) {
        // Messages name paths and arguments as given: escaped like every text output.
        std::cerr << "tarvelctl " << args[0] << ": " << tarvel::printable(e.what()) << "\n";
        return 2;
    }
}
