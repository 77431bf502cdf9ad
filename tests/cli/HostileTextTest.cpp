// Names chosen by other local processes reach tarvelctl's text output escaped, never raw.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <QProcess>
#include <QString>
#include <nlohmann/json.hpp>
#include <set>

#include "drain/ProcFixture.h"
#include "support/FixtureTree.h"

namespace tarvel {
namespace {

using test::runTarvelctl;

struct Hostile {
    std::string raw;
    std::string shown;
};

// Names a process may give itself, and how a terminal should see them (every control character's
// escape is TerminalTextTest's; these show that each command escapes at all).
const std::vector<Hostile> kNames = {
    {"line\nbreak", "line\\nbreak"},
    {"\x1b]0;pwned\x07", "\\x1b]0;pwned\\x07"},  // sets the terminal's title
    {"csi\xc2\x9b"
     "2J",
     "csi\\u009b2J"},  // C1 CSI: clears the screen
};

// What a terminal would act on: a control byte other than the line feeds between lines, a
// C1 control, or bytes that are not UTF-8.
std::string rawControlIn(const std::string& out) {
    for (unsigned char c : out)
        if ((c < 0x20 && c != '\n') || c == 0x7f) return "byte " + std::to_string(c);
    const QString decoded = QString::fromUtf8(out);
    if (decoded.toStdString() != out) return "bytes that are not UTF-8";
    for (QChar ch : decoded)
        if (ch.unicode() >= 0x80 && ch.unicode() <= 0x9f) return "C1 control";
    return {};
}

// Two power records naming `name` as the top process, and a process record between them.
std::string logWith(const std::string& name) {
    const std::string quoted = nlohmann::json(name).dump();
    const auto power = [&](const std::string& t, int level) {
        return R"({"t":")" + t + R"(","kind":"power","level":)" + std::to_string(level) +
               R"(,"packageW":4.0,"chargeW":9.0,"charging":false,"top":)" + quoted +
               ",\"topScore\":30.0}\n";
    };
    return power("2026-03-01T13:10:00Z", 80) +
           R"({"t":"2026-03-01T13:40:00Z","kind":"proc","name":)" + quoted +
           ",\"score\":10.0,\"cpu\":12.0}\n" + power("2026-03-01T13:59:00Z", 74);
}

TEST(HostileText, WhyAndHistoryEscapeNamesInTextAndKeepThemInJson) {
    for (const auto& name : kNames) {
        SCOPED_TRACE(name.shown);
        test::FixtureTree dir;
        const std::string stored = logWith(name.raw);
        dir.write("drain.jsonl", stored);
        const std::string log = dir.root() + "/drain.jsonl";

        auto r = runTarvelctl({"why", "--log", log, "--now", "2026-03-01T14:05:00Z"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, name.shown +
                             " was responsible for the largest share of energy use while battery "
                             "dropped ~6% in the last hour.\n  " +
                             name.shown + ": 100% of attributed energy samples\n");

        // "-json" reads as "--json", "--now=" as "--now".
        r = runTarvelctl({"why", "-json", "--log", log, "--now=2026-03-01T14:05:00Z"});
        ASSERT_EQ(r.status, 0) << r.err;
        const auto why = nlohmann::json::parse(r.out);
        EXPECT_EQ(why["culprits"][0]["name"], name.raw);
        EXPECT_EQ(why["schema"], 1);

        // CSV: one line per record, the name escaped, no field quoted for a control character.
        r = runTarvelctl({"history", "--csv", "--log", log});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(rawControlIn(r.out), "");
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 4) << r.out;
        EXPECT_NE(r.out.find("\n2026-03-01T13:40:00Z,proc,,,,,,," + name.shown + ",10.0,12.0\n"),
                  std::string::npos)
            << r.out;

        r = runTarvelctl({"history", "--json", "--log", log});
        ASSERT_EQ(r.status, 0) << r.err;
        const auto records = nlohmann::json::parse(r.out);
        ASSERT_EQ(records.size(), 3u);
        EXPECT_EQ(records[0]["top"], name.raw);
        EXPECT_EQ(records[1]["name"], name.raw);
        EXPECT_EQ(dir.read("drain.jsonl"), stored);
    }
}

TEST(HostileText, NestedCsvValuesAreAsciiJsonAndPathsInErrorsAreEscaped) {
    test::FixtureTree dir;
    dir.write("drain.jsonl", R"({"t":"2026-03-01T13:10:00Z","extra":{"n":"a\u009b\u001b\u007fé"}})"
                             "\n");
    auto r = runTarvelctl({"history", "--csv", "--log", dir.root() + "/drain.jsonl"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "t,extra\n"
              R"(2026-03-01T13:10:00Z,"{""n"":""a\u009b\u001b\u007f\u00e9""}")"
              "\n");

    // A path with a line break and a byte that is not UTF-8, given as a shell would pass it.
    QProcess p;
    p.start("/bin/sh", {"-c", R"sh("$0" history --log "$1/$(printf 'bad\377\n\033[2J.jsonl')")sh",
                        TARVELCTL_PATH, QString::fromStdString(dir.root())});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 2);
    const std::string err = p.readAllStandardError().toStdString();
    EXPECT_EQ(rawControlIn(err.substr(0, err.size() - 1)), "") << err;
    EXPECT_NE(err.find("/bad\\xff\\n\\x1b[2J.jsonl\n"), std::string::npos) << err;
}

// update check says what the launch check would offer (which offer that is, UpdateAlertsTest
// checks); the manifest's text reaches the terminal escaped.
TEST(UpdateCommand, SaysWhatTheLaunchCheckWouldOffer) {
    test::FixtureTree dir;
    const std::string url = "file://" + dir.root() + "/version.json";
    const auto check = [&](const std::string& manifest, std::vector<std::string> extra = {}) {
        dir.write("version.json", manifest);
        std::vector<std::string> args{"update", "check", "--manifest-url", url};
        args.insert(args.end(), extra.begin(), extra.end());
        return runTarvelctl(args);
    };
    auto r = check(R"({"latest":"v99.0","beta":"v98.1-Pro-Beta"})", {"--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["candidate"], "v98.1-Pro-Beta");
    EXPECT_EQ(json["candidateLabel"], "v98.1-Pro Beta");

    r = check("{\"latest\":\"v0.0.1\xe2\x80\xae\\u001b[2J\"}");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Available: v0.0.1\\u202e\\x1b[2J\nUp to date"), std::string::npos)
        << r.out;

    r = check(R"({"beta":"v1"})");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("could not fetch or read the manifest"), std::string::npos);
    EXPECT_EQ(runTarvelctl({"update", "check", "--manifest-url", "ftp://x/v.json"}).status, 2);
    EXPECT_EQ(runTarvelctl({"update", "install"}).status, 2);
}

// Blocks until each file named `stat` in the watched folders has been read (opened and closed).
void waitUntilRead(int inotify, std::size_t files) {
    std::set<int> seen;
    alignas(inotify_event) char buffer[4096];
    while (seen.size() < files) {
        pollfd p{inotify, POLLIN, 0};
        ASSERT_EQ(::poll(&p, 1, 30000), 1) << "tarvelctl top never read the fixture";
        const ssize_t n = ::read(inotify, buffer, sizeof buffer);
        ASSERT_GT(n, 0);
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            if (e->len && std::string(e->name) == "stat") seen.insert(e->wd);
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
    }
}

TEST(HostileText, TopEscapesProcessNamesAndPaths) {
    test::ProcFixture proc;
    const int inotify = ::inotify_init1(IN_CLOEXEC);
    ASSERT_GE(inotify, 0);
    std::vector<Hostile> names = kNames;
    // A name that is not UTF-8 shows as the replacement character.
    names.push_back({"bad\xff", "bad\xef\xbf\xbd"});
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int pid = 100 + static_cast<int>(i);
        proc.setCpu(pid, 1.0, names[i].raw);
        ASSERT_GE(::inotify_add_watch(inotify, (proc.root() + "/" + std::to_string(pid)).c_str(),
                                      IN_CLOSE_NOWRITE),
                  0);
    }
    proc.setExe(100, "/opt/\x1b[2Jevil\nexe");

    QProcess top;
    top.start(TARVELCTL_PATH, {"top", "--fast", "--proc-root", QString::fromStdString(proc.root()),
                               "--watts", "10", "--interval", "3"});
    ASSERT_TRUE(top.waitForStarted());
    // Between the two passes every process uses one more second of CPU.
    waitUntilRead(inotify, names.size());
    ::close(inotify);
    for (std::size_t i = 0; i < names.size(); ++i)
        proc.setCpu(100 + static_cast<int>(i), 2.0, names[i].raw);
    ASSERT_TRUE(top.waitForFinished(60000));
    ASSERT_EQ(top.exitCode(), 0) << top.readAllStandardError().toStdString();
    const std::string out = top.readAllStandardOutput().toStdString();

    EXPECT_EQ(rawControlIn(out), "") << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2 + std::ptrdiff_t(names.size())) << out;
    for (const auto& name : names)
        EXPECT_NE(out.find("  " + name.shown + (&name == &names[0] ? "" : "\n")), std::string::npos)
            << name.shown << "\n"
            << out;
    EXPECT_NE(out.find("  line\\nbreak  /opt/\\x1b[2Jevil\\nexe\n"), std::string::npos) << out;
}

}  // namespace
}  // namespace tarvel
