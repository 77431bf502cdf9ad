#include <gtest/gtest.h>
#include <signal.h>

#include <QElapsedTimer>
#include <cerrno>
#include <tuple>

#include "platform/linux/ProcessCommandRunner.h"
#include "support/FixtureTree.h"

using tarvel::ProcessCommandRunner;

TEST(ShellCapture, DrainsMegabytesOnBothPipesAndKeepsOnlyStandardOutput) {
    ProcessCommandRunner runner;
    // 4 MB to stderr interleaved with 3 MB to stdout: either pipe alone would fill up and
    // stall the child if it were not drained.
    const std::string script =
        "head -c 4000000 /dev/zero | tr '\\0' e >&2; head -c 3000000 /dev/zero | tr '\\0' o; "
        "head -c 100000 /dev/zero | tr '\\0' e >&2; printf end";
    const std::string out = runner.shellCapture("/bin/sh", {"-c", script});
    ASSERT_EQ(out.size(), 3000003u);
    EXPECT_EQ(out.find('e'), 3000000u);  // the first 'e' is the one of "end"
    EXPECT_EQ(out.substr(out.size() - 3), "end");
}

// Arguments reach the program unchanged, without a shell; a program that cannot run, prints
// what is not UTF-8 or hangs gives nothing.
TEST(ShellCapture, ArgumentsPassUnchangedAndFailuresGiveNothing) {
    ProcessCommandRunner runner(500);
    const std::tuple<std::string, std::vector<std::string>, std::string> cases[] = {
        {"/usr/bin/printf", {"%s|%s", "a b", "$HOME;`x`"}, "a b|$HOME;`x`"},
        {"/usr/bin/printf", {"caf\\303\\251 ok"}, "caf\xc3\xa9 ok"},
        {"/usr/bin/printf", {"\\377\\376bad"}, ""},
        {"/usr/sbin/ioreg", {"-rn", "AppleSmartBattery"}, ""},
        {"relative/path", {}, ""},
    };
    for (const auto& [program, args, out] : cases)
        EXPECT_EQ(runner.shellCapture(program, args), out)
            << program << " " << (args.empty() ? std::string() : args[0]);

    QElapsedTimer t;
    t.start();
    EXPECT_EQ(runner.shellCapture("/bin/sleep", {"30"}), "");
    EXPECT_LT(t.elapsed(), 10000);

    // A child that closes both pipes but keeps running: the limit covers the whole run, and the
    // child is killed and reaped, not left as a zombie.
    tarvel::test::FixtureTree dir;
    const std::string pidFile = dir.root() + "/pid";
    t.restart();
    EXPECT_EQ(runner.shellCapture(
                  "/bin/sh", {"-c", "echo $$ > " + pidFile + "; exec >&- 2>&-; exec sleep 60"}),
              "");
    EXPECT_LT(t.elapsed(), 30000);
    const pid_t child = std::stoi(dir.read("pid"));
    errno = 0;
    EXPECT_EQ(::kill(child, 0), -1);
    EXPECT_EQ(errno, ESRCH);
}

TEST(Utf8, RejectsOverlongSurrogateAndTruncatedSequences) {
    EXPECT_TRUE(tarvel::isValidUtf8("plain \xe2\x80\x94 \xf0\x9f\x94\x8b"));
    EXPECT_FALSE(tarvel::isValidUtf8("\xc0\xaf"));          // overlong '/'
    EXPECT_FALSE(tarvel::isValidUtf8("\xed\xa0\x80"));      // surrogate
    EXPECT_FALSE(tarvel::isValidUtf8("\xe2\x80"));          // truncated
    EXPECT_FALSE(tarvel::isValidUtf8("\xf4\x90\x80\x80"));  // above U+10FFFF
}
