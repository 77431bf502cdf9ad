#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <nlohmann/json.hpp>

#include "drain/ProcFixture.h"
#include "support/FixtureTree.h"
#include "support/PowerSupplyFixtures.h"

namespace tarvel {
namespace {

using test::runTarvelctl;

const std::string kLog =
    R"({"t":"2026-03-01T13:10:00Z","kind":"power","level":80,"packageW":4.0,"chargeW":9.0,"charging":false,"top":"Xcode","topScore":30.0})"
    "\n"
    R"({"t":"2026-03-01T13:40:00Z","kind":"proc","name":"Music, \"Live\"","score":10.0,"cpu":12.0})"
    "\n"
    "broken line\n"
    R"({"t":"2026-03-01T13:50:00Z","kind":"event","name":"display_sleep"})"
    "\n"
    R"({"t":"2026-03-01T13:59:00Z","kind":"power","level":74,"packageW":5.5,"chargeW":8.0,"charging":false,"top":"Xcode","topScore":30.0,"extra":{"a":[1,2]}})"
    "\n";

// The history's record shapes are pinned by its own tests; here the commands find it, in the
// application's place by default or where --log says.
TEST(TarvelctlHistory, WhyAndHistoryReadTheDefaultOrANamedLog) {
    test::FixtureTree home;
    home.write("Tarvel/drain.jsonl", kLog);
    const std::string log = home.root() + "/Tarvel/drain.jsonl";
    const std::map<std::string, std::string> env{{"XDG_DATA_HOME", home.root()}};
    auto r = runTarvelctl({"why", "--now", "2026-03-01T14:05:00Z"}, env);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "Xcode was responsible for the largest share of energy use while battery "
              "dropped ~6% in the last hour. Display slept 1×.\n"
              "  Xcode: 86% of attributed energy samples\n"
              "  Music, \"Live\": 14% of attributed energy samples\n");

    r = runTarvelctl({"history", "--now", "2026-03-01T14:05:00Z"}, env);
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 5);
    // Records past the retention (14 days) are not shown, whether or not the file still has them.
    EXPECT_EQ(runTarvelctl({"history", "--json", "--now", "2026-03-16T00:00:00Z"}, env).out,
              "[]\n");

    r = runTarvelctl({"history", "--csv", "--log", log});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "t,kind,level,packageW,chargeW,charging,top,topScore,name,score,cpu,extra\n"
              "2026-03-01T13:10:00Z,power,80,4.0,9.0,false,Xcode,30.0,,,,\n"
              "2026-03-01T13:40:00Z,proc,,,,,,,\"Music, \"\"Live\"\"\",10.0,12.0,\n"
              "2026-03-01T13:50:00Z,event,,,,,,,display_sleep,,,\n"
              "2026-03-01T13:59:00Z,power,74,5.5,8.0,false,Xcode,30.0,,,,\"{\"\"a\"\":[1,2]}\"\n");

    r = runTarvelctl({"history", "--json", "--log", log, "--since", "2026-03-01T13:45:00Z"});
    ASSERT_EQ(r.status, 0);
    const auto j = nlohmann::json::parse(r.out);
    ASSERT_EQ(j.size(), 2u);
    EXPECT_EQ(j[0]["name"], "display_sleep");
    EXPECT_EQ(j[1]["extra"]["a"][1], 2);

    EXPECT_EQ(runTarvelctl({"history", "--csv", "--json", "--log", log}).status, 2);
    EXPECT_EQ(runTarvelctl({"history", "--log", home.root() + "/missing.jsonl"}).status, 2);
    EXPECT_EQ(runTarvelctl({"history", "--since", "1 March", "--log", log}).status, 2);

    // A record nested far beyond any the log writes is skipped like a broken line.
    home.write("deep.jsonl", kLog + R"({"t":"2026-03-01T13:59:30Z","kind":"power","x":)" +
                                 std::string(100000, '[') + std::string(100000, ']') + "}\n");
    for (const char* format : {"--json", "--csv"}) {
        r = runTarvelctl({"history", format, "--log", home.root() + "/deep.jsonl"});
        ASSERT_EQ(r.status, 0) << format;
        EXPECT_EQ(r.out.find("13:59:30"), std::string::npos) << format;
        EXPECT_NE(r.out.find("13:59:00"), std::string::npos) << format;
    }
}

// "Clear local history" works whichever process writes: here `tarvelctl watch` holds the
// history and a second process asks for the clear.
TEST(TarvelctlHistory, ClearReachesTheProcessThatWritesTheHistory) {
    test::FixtureTree t;
    t.write("data/Tarvel/drain.jsonl", kLog);  // history from before
    t.writeAll("sys/class/power_supply/BAT0",
               {{"type", "Battery\n"}, {"status", "Discharging\n"}, {"capacity", "55\n"}});
    const std::map<std::string, std::string> env{{"XDG_DATA_HOME", t.root() + "/data"},
                                                 {"XDG_CONFIG_HOME", t.root() + "/config"}};
    auto environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [k, v] : env)
        environment.insert(QString::fromStdString(k), QString::fromStdString(v));
    QProcess watch;
    watch.setProcessEnvironment(environment);
    watch.start(TARVELCTL_PATH,
                {"watch", "--sysfs-root", QString::fromStdString(t.root() + "/sys")});
    ASSERT_TRUE(watch.waitForReadyRead(10000));  // polling, and holding the history

    auto r = runTarvelctl({"history", "clear"}, env);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("through the Tarvel process that writes it"), std::string::npos) << r.out;
    // What was there is gone. Records carry whole seconds: the writer's first record of this
    // session may stay when it fell in the very second of the clear.
    r = runTarvelctl({"history", "--json"}, env);
    const auto left = nlohmann::json::parse(r.out);
    EXPECT_LE(left.size(), 1u) << r.out;
    for (const auto& record : left) EXPECT_EQ(record["level"], 55) << r.out;

    watch.terminate();
    ASSERT_TRUE(watch.waitForFinished(10000));
    EXPECT_EQ(watch.readAllStandardError().toStdString(), "");

    // With nobody writing, the clear is done by the command itself.
    t.write("data/Tarvel/drain.jsonl", kLog);
    r = runTarvelctl({"history", "clear"}, env);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Cleared the local history in " + t.root() + "/data/Tarvel.\n");
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(t.root() + "/data/Tarvel/drain.jsonl")));
    EXPECT_EQ(runTarvelctl({"history", "clear", "--json"}, env).status, 2);
}

// A history that is there but cannot be read is not an empty one: why and history fail with
// exit status 1 and name it; neither waits on a FIFO.
TEST(TarvelctlHistory, ALogThatExistsButCannotBeReadFailsWithStatusOne) {
    test::FixtureTree t;
    QDir().mkpath(QString::fromStdString(t.root() + "/Tarvel"));
    const std::string log = t.root() + "/Tarvel/drain.jsonl";
    ASSERT_EQ(::mkfifo(log.c_str(), 0600), 0);
    // A named history and the default one reach the same read (the default's writer aside).
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"why", "--log", log}, {"history"}}) {
        const auto r = runTarvelctl(command, {{"XDG_DATA_HOME", t.root()}});
        EXPECT_EQ(r.status, 1) << command.size();
        EXPECT_EQ(r.out, "") << command.size();
        EXPECT_EQ(r.err, "tarvelctl " + command[0] + ": cannot read the battery history (" + log +
                             ": is not a regular file)\n");
    }
}

TEST(TarvelctlTop, SamplesAFixtureTreeAndTheLiveMachine) {
    test::ProcFixture proc;
    proc.setCpu(10, 5.0, "idle");
    auto r = runTarvelctl(
        {"top", "--json", "--proc-root", proc.root(), "--watts", "10", "--interval", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "[]\n");  // nothing grew between the two passes
    r = runTarvelctl({"top", "--proc-root", proc.root(), "--watts", "10", "--interval", "1"});
    EXPECT_EQ(r.out, "Measured power: 10.00 W\nNo process used enough CPU in the last 1.0 s.\n");

    // The live machine: a busy loop guarantees something to list, though on a loaded machine
    // other processes may outrank it, so only the rows' shape is checked.
    QProcess busy;
    busy.start("/bin/sh", {"-c", "while :; do :; done"});
    ASSERT_TRUE(busy.waitForStarted());
    r = runTarvelctl({"top", "--json", "--fast", "--watts", "10", "--interval", "1"});
    busy.kill();
    busy.waitForFinished();
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = nlohmann::json::parse(r.out);
    ASSERT_TRUE(rows.is_array());
    ASSERT_FALSE(rows.empty());
    ASSERT_LE(rows.size(), 8u);
    for (const auto& row : rows) {
        EXPECT_TRUE(row["id"].is_number_integer()) << row;
        EXPECT_GT(row["cpuPercent"].get<double>(), 0.0) << row;
        EXPECT_GT(row["estimatedWatts"].get<double>(), 0.0) << row;
    }
}

// On battery at 10 W with the GPU at 6 W: the GPU's watts follow GPU time, the rest CPU time;
// the history's GPU part then makes the player the culprit, older records read as before.
TEST(TarvelctlTop, NamesTheGpuHeavyProcessOverReplayedTreesAndWhyFollows) {
    test::FixtureTree sys;
    test::dischargingEnergyLaptop(sys);
    sys.writeAll("class/hwmon/hwmon0", {{"name", "amdgpu\n"}, {"power1_average", "6000000\n"}});
    test::ProcFixture before, after;
    const auto engines = test::ProcFixture::engines;
    before.setCpu(30, 1.0, "player");
    after.setCpu(30, 1.2, "player");
    before.setCpu(32, 1.0, "compiler");
    after.setCpu(32, 1.6, "compiler");
    before.setGpuClient(30, 4, "amdgpu", 7, engines("1000000000", "0"));
    after.setGpuClient(30, 4, "amdgpu", 7, engines("1500000000", "1500000000"));
    const std::vector<std::string> top{
        "top",        "--proc-root",  before.root(), "--second-proc-root",
        after.root(), "--sysfs-root", sys.root(),    "--interval",
        "1"};
    auto args = top;
    args.push_back("--json");
    auto r = runTarvelctl(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = nlohmann::json::parse(r.out);
    ASSERT_EQ(rows.size(), 2u) << r.out;
    // The battery's 10 W at 11.4 V is read in whole mA. Its CPU part goes by 0.2 : 0.6 s of
    // CPU time; the GPU's 6 W go to the player's 2 s of engine time.
    const double cpuPart = 0.877 * 11.4 - 6.0;
    EXPECT_EQ(rows[0]["name"], "player");
    EXPECT_NEAR(rows[0]["estimatedWatts"].get<double>(), cpuPart * 0.25 + 6.0, 1e-6);
    EXPECT_NEAR(rows[0]["gpuWatts"].get<double>(), 6.0, 1e-6);
    EXPECT_GT(rows[0]["gpuPercent"].get<double>(), 0.0);
    EXPECT_EQ(rows[1]["name"], "compiler");
    EXPECT_NEAR(rows[1]["estimatedWatts"].get<double>(), cpuPart * 0.75, 1e-6);
    r = runTarvelctl(top);
    EXPECT_EQ(r.out.substr(0, r.out.find("NAME\n") + 5),
              "Measured power: 10.00 W (GPU 6.00 W)\n    PID   CPU%   GPU%  SHARE  WATTS  NAME\n");

    test::FixtureTree dir;
    dir.write(
        "drain.jsonl",
        R"({"t":"2026-03-01T13:10:00Z","kind":"power","level":80,"packageW":4.0,"chargeW":9.0,"charging":false,"top":"compiler","topScore":30.0})"
        "\n"
        R"({"t":"2026-03-01T13:40:00Z","kind":"proc","name":"player","score":70.0,"cpu":20.0,"gpuScore":60.0})"
        "\n"
        R"({"t":"2026-03-01T13:59:00Z","kind":"power","level":74,"packageW":5.5,"chargeW":8.0,"charging":false,"top":"player","topScore":70.0,"topGpuScore":60.0})"
        "\n");
    const std::vector<std::string> why{"why", "--log", dir.root() + "/drain.jsonl", "--now",
                                       "2026-03-01T14:05:00Z"};
    EXPECT_EQ(
        runTarvelctl(why).out,
        "player was responsible for the largest share of energy use while battery dropped ~6% "
        "in the last hour.\n  player: 82% of attributed energy samples, 86% of it on the GPU\n"
        "  compiler: 18% of attributed energy samples\n");
    // JSON gives the same figures as fractions.
    args = why;
    args.push_back("--json");
    const auto j = nlohmann::json::parse(runTarvelctl(args).out);
    EXPECT_EQ(j["dropPercent"], 6);
    EXPECT_DOUBLE_EQ(j["culprits"][0]["share"].get<double>(), 140.0 / 170.0);
    EXPECT_DOUBLE_EQ(j["culprits"][0]["gpuShare"].get<double>(), 120.0 / 140.0);
}

}  // namespace
}  // namespace tarvel
