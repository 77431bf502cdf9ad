// The man pages and the shell completions know every command and option tarvelctl parses.
#include <gtest/gtest.h>

#include <QProcess>
#include <fstream>
#include <set>
#include <sstream>

#include "cli/CommandTable.h"
#include "support/FixtureTree.h"

using tarvel::cli::commandTable;

namespace {

const std::string kPackaging = std::string(TARVEL_SOURCE_DIR) + "/packaging/";

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Run {
    int status = -1;
    std::string out, err;
};

Run run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    Run r;
    if (!p.waitForFinished(60000)) return r;
    r.status = p.exitCode();
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
}

// Runs `script` in bash after loading tarvelctl's completion.
Run bashWithCompletion(const std::string& script) {
    return run("bash", {"-c", QString::fromStdString("source " + kPackaging +
                                                     "completions/tarvelctl.bash; " + script)});
}

// The words bash's completion offers for the command line `words`, the last being completed.
std::set<std::string> bashCompletes(const std::string& words) {
    const auto r = bashWithCompletion("COMP_WORDS=(" + words +
                                      "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _tarvelctl; "
                                      "printf '%s\\n' \"${COMPREPLY[@]}\"");
    EXPECT_EQ(r.err, "") << words;
    std::set<std::string> offered;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) offered.insert(line);
    return offered;
}

std::string roff(std::string text) {
    for (std::size_t at = 0; (at = text.find('-', at)) != std::string::npos; at += 2)
        text.replace(at, 1, "\\-");
    return text;
}

}  // namespace

TEST(Documentation, ManPagesAndZshCompletionParseWithoutWarnings) {
    for (const char* page : {"tarvelctl.1", "tarvel.1"}) {
        SCOPED_TRACE(page);
        const QString path = QString::fromStdString(kPackaging + "man/" + page);
        const auto groff = run("groff", {"-man", "-ww", "-z", path});
        EXPECT_EQ(groff.status, 0);
        EXPECT_EQ(groff.err, "");
        const auto man = run("man", {"--warnings", "-E", "UTF-8", "-l", path});
        EXPECT_EQ(man.status, 0);
        EXPECT_EQ(man.err, "");
        EXPECT_NE(man.out.find("EXIT STATUS"), std::string::npos);
    }
    const auto zsh =
        run("zsh", {"-n", QString::fromStdString(kPackaging + "completions/_tarvelctl")});
    EXPECT_EQ(zsh.status, 0) << zsh.err;
    EXPECT_EQ(zsh.err, "");
    const std::string tray = readFile(kPackaging + "man/tarvel.1");
    for (const char* option : {"sysfs\\-root", "powercap\\-root", "proc\\-root", "autostart"})
        EXPECT_NE(tray.find(std::string("\\-\\-") + option), std::string::npos) << option;
}

TEST(Documentation, ManPageAndCompletionsNameEveryCommandAndOption) {
    const std::string man = readFile(kPackaging + "man/tarvelctl.1");
    const std::string bash = readFile(kPackaging + "completions/tarvelctl.bash");
    const std::string zsh = readFile(kPackaging + "completions/_tarvelctl");
    const std::string fish = readFile(kPackaging + "completions/tarvelctl.fish");
    for (const auto& command : commandTable()) {
        SCOPED_TRACE(command.name);
        EXPECT_NE(man.find(".SS \"" + roff(command.name)), std::string::npos);
        EXPECT_NE(zsh.find("    " + command.name + ")"), std::string::npos);
        EXPECT_NE(fish.find("-a " + command.name + " "), std::string::npos);
        for (const auto& sub : command.subcommands) {
            EXPECT_NE(man.find(".SS \"" + roff(command.name + " " + sub)), std::string::npos);
            EXPECT_NE(zsh.find(sub), std::string::npos) << sub;
            EXPECT_NE(fish.find(sub), std::string::npos) << sub;
        }
        std::set<std::string> options{"--help"};
        for (const auto& option : command.options) {
            options.insert("--" + option.name);
            EXPECT_NE(man.find("\\-\\-" + roff(option.name)), std::string::npos) << option.name;
            EXPECT_NE(zsh.find("--" + option.name + (option.valueName.empty() ? "[" : "=[")),
                      std::string::npos)
                << option.name;
            EXPECT_NE(fish.find("-l " + option.name + " "), std::string::npos) << option.name;
        }
        // bash offers exactly the command's options, and its subcommands first.
        EXPECT_EQ(bashCompletes("tarvelctl " + command.name + " --"), options);
        const std::set<std::string> subs(command.subcommands.begin(), command.subcommands.end());
        if (!subs.empty()) {
            EXPECT_EQ(bashCompletes("tarvelctl " + command.name + " ''"), subs);
        }
    }
    for (const char* mode : {"auto inhibit force-discharge", "percent watts"}) {
        EXPECT_NE(zsh.find(mode), std::string::npos) << mode;
        EXPECT_NE(fish.find(mode), std::string::npos) << mode;
    }
}

TEST(Documentation, BashCompletesWordsModesAndFolders) {
    tarvel::test::FixtureTree t;
    t.write("sys/class/x", "");
    t.write("sysfile", "");
    const std::string root = t.root() + "/sys";
    const struct {
        std::string words;
        std::set<std::string> offered;
    } cases[] = {
        {"tarvelctl ch", {"charge"}},
        {"tarvelctl --v", {"--version"}},
        {"tarvelctl help w", {"watch", "why"}},
        {"tarvelctl charge set-mode ''", {"auto", "inhibit", "force-discharge"}},
        {"tarvelctl icon --mode ''", {"percent", "watts"}},
        {"tarvelctl icon --mode = w", {"watts"}},           // --mode=w, split at "=" by bash
        {"tarvelctl status --sysfs-root " + root, {root}},  // the folder, not sysfile
        {"tarvelctl why --log " + t.root() + "/sysf", {t.root() + "/sysfile"}},
        {"tarvelctl top --watts ''", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(bashCompletes(c.words), c.offered) << c.words;
    EXPECT_EQ(bashWithCompletion("complete -p tarvelctl").out,
              "complete -F _tarvelctl tarvelctl\n");
}
