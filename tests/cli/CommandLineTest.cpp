// The command line's conventions: help, version, one-line usage errors and option syntax.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "cli/CommandTable.h"
#include "cli/HelpText.h"
#include "shell/BuildInfo.h"
#include "support/FixtureTree.h"

using namespace tarvel::test;
using tarvel::cli::commandHelpText;
using tarvel::cli::commandTable;
using tarvel::cli::overviewText;

TEST(CommandLine, HelpAndVersionGoToStandardOutput) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out, err;
    };
    std::vector<Case> cases{
        {{"--version"}, 0, "tarvelctl " + std::string(tarvel::TARVEL_VERSION) + "\n", ""},
        {{}, 2, "", overviewText()},
        {{"help"}, 0, overviewText(), ""},
        {{"--help"}, 0, overviewText(), ""},
        {{"-h"}, 0, overviewText(), ""},
    };
    const auto& charge = *tarvel::cli::findCommand("charge");
    for (const auto& sub : charge.subcommands) {
        cases.push_back({{"help", "charge", sub}, 0, commandHelpText(charge), ""});
        cases.push_back({{"charge", sub, "--help"}, 0, commandHelpText(charge), ""});
    }
    for (const auto& command : commandTable()) {
        for (const auto& args : std::vector<std::vector<std::string>>{
                 {"help", command.name}, {command.name, "--help"}, {command.name, "-h"}})
            cases.push_back({args, 0, commandHelpText(command), ""});
        for (const auto& option : command.options)
            EXPECT_NE(commandHelpText(command).find("  --" + option.name), std::string::npos)
                << command.name << " --" << option.name;
    }
    // icon starts a GUI application, which warns without a runtime folder.
    QTemporaryDir runtime;
    for (const auto& c : cases) {
        const auto r = runTarvelctl(c.args, {{"XDG_RUNTIME_DIR", runtime.path().toStdString()}});
        SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0] + " " + c.args.back());
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
    }
}

TEST(CommandLine, UsageErrorsAreOneLineNamingTheCommand) {
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"why", "--foo"}, "tarvelctl why: unknown option --foo\n"},
        {{"why", "--foo=1"}, "tarvelctl why: unknown option --foo\n"},
        {{"top", "-x"}, "tarvelctl top: unknown option -x\n"},
        {{"history", "clear", "--frobnicate"}, "tarvelctl history: unknown option --frobnicate\n"},
        {{"why", "--log"}, "tarvelctl why: option --log needs a value\n"},
        {{"why", "--json=yes"}, "tarvelctl why: option --json takes no value\n"},
        {{"status", "--json", "extra"}, "tarvelctl status: status takes no arguments: extra\n"},
        {{"status", "--", "--json"}, "tarvelctl status: status takes no arguments: --json\n"},
        {{"metrics", "extra"}, "tarvelctl metrics: metrics takes no arguments: extra\n"},
        // Values that begin with a dash reach the command's own checks.
        {{"top", "--interval", "-1"},
         "tarvelctl top: --interval must be between 1 and 3600 seconds\n"},
        {{"top", "--watts=-3"}, "tarvelctl top: --watts must be 0 or more\n"},
        {{"why", "--now", "--json"},
         "tarvelctl why: --now expects an ISO 8601 time such as 2026-03-01T14:05:09Z\n"},
        {{"watch", "--textfile="}, "tarvelctl watch: --textfile needs a file name\n"},
        {{"frobnicate"}, "tarvelctl: unknown command \"frobnicate\" (try tarvelctl --help)\n"},
        {{"help", "frobnicate"},
         "tarvelctl: unknown command \"frobnicate\" (try tarvelctl --help)\n"},
        {{"help", "charge", "dance"}, "tarvelctl help: charge has no subcommand \"dance\"\n"},
    };
    for (const auto& c : cases) {
        const auto r = runTarvelctl(c.args);
        EXPECT_EQ(r.status, 2) << c.err;
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out, "");
    }
}
