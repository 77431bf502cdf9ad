#include <gtest/gtest.h>

#include <QProcess>
#include <nlohmann/json.hpp>

#include "support/AdvancingFiles.h"
#include "support/PowerSupplyFixtures.h"

using namespace tarvel::test;
using nlohmann::json;

TEST(StatusCommand, MeasuresThePackageAndItsDomainsFromAdvancingCounters) {
    FixtureTree t;
    dischargingEnergyLaptop(t);
    for (auto [zone, name] : {std::pair{"intel-rapl:0", "package-0"},
                              {"intel-rapl:0:0", "core"},
                              {"intel-rapl:0:1", "uncore"},
                              {"intel-rapl:0:2", "dram"}}) {
        t.writeAll(std::string("powercap/") + zone, {{"name", std::string(name) + "\n"},
                                                     {"max_energy_range_uj", "262143328850\n"},
                                                     {"energy_uj", "1000000000\n"}});
    }
    // µJ per second: a busy package.
    const auto counter = [](const std::string& zone, double rate) {
        return std::pair{"powercap/" + zone + "/energy_uj",
                         AdvancingFiles::Content([rate](double s) {
                             return std::to_string(std::int64_t(1e9 + rate * s)) + "\n";
                         })};
    };
    AdvancingFiles counters(t, {counter("intel-rapl:0", 10e6), counter("intel-rapl:0:1", 2e6),
                                counter("intel-rapl:0:2", 1.5e6)});
    const auto r = runTarvelctl({"status", "--json", "--sysfs-root=" + t.root(), "--powercap-root",
                                 t.root() + "/powercap"});
    ASSERT_EQ(r.status, 0) << r.err;
    const json j = json::parse(r.out);
    EXPECT_EQ(j["schema"], 1);
    EXPECT_EQ(j["packageSource"], "sensor (3 domains)");
    EXPECT_EQ(j["hasPowerDistribution"], true);
    EXPECT_EQ(j["wattHistoryLength"], 2);
    EXPECT_NEAR(j["cpuDomainWatts"].get<double>(), 8.0, 0.8);  // package less uncore
    EXPECT_NEAR(j["gpuDomainWatts"].get<double>(), 2.0, 0.2);
    EXPECT_NEAR(j["dramDomainWatts"].get<double>(), 1.5, 0.15);
    // The battery half comes from the same fixture machine.
    EXPECT_EQ(j["statusText"], "On battery · 10.0 W");
}

// watch prints a line when the shown state changes, keeps the battery history where the
// application keeps it, and stops on SIGTERM.
TEST(WatchCommand, PrintsALineWhenTheShownStateChangesKeepsTheHistoryAndStopsOnSigterm) {
    FixtureTree t;
    dischargingEnergyLaptop(t);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", QString::fromStdString(t.root() + "/data"));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(t.root() + "/config"));
    QProcess watch;
    watch.setProcessEnvironment(env);
    watch.start(TARVELCTL_PATH,
                {"watch", "--json", "--sysfs-root", QString::fromStdString(t.root())});
    ASSERT_TRUE(watch.waitForReadyRead(10000));
    const json first = json::parse(watch.readLine().toStdString());
    EXPECT_EQ(first["levelPercent"], 60);
    EXPECT_EQ(first["schema"], 1);
    t.replace("class/power_supply/BAT1/capacity", "50\n");  // a 10-point fall shows at once
    ASSERT_TRUE(watch.waitForReadyRead(10000));
    const json second = json::parse(watch.readLine().toStdString());
    EXPECT_EQ(second["levelPercent"], 50);
    watch.terminate();
    ASSERT_TRUE(watch.waitForFinished(5000));
    EXPECT_EQ(watch.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(watch.exitCode(), 0);
    EXPECT_EQ(watch.readAllStandardError().toStdString(), "");
    const std::string history = t.read("data/Tarvel/drain.jsonl");
    EXPECT_EQ(json::parse(history.substr(0, history.find('\n')))["level"], 60) << history;
}
