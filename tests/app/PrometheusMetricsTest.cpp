#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <functional>
#include <sstream>
#include <tuple>

#include "app/AppCore.h"
#include "app/metrics/PrometheusText.h"
#include "app/metrics/TarvelMetrics.h"
#include "app/metrics/TextfileWriter.h"
#include "base/UserDefaults.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/FixtureMachine.h"
#include "support/PowerSupplyFixtures.h"
#include "support/WaitUntil.h"

namespace tarvel {
namespace {

bool hasLine(const std::string& text, const std::string& line) {
    return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

// The samples of one metric (every line that starts with its name and a space or a brace).
std::vector<std::string> samplesOf(const std::string& text, const std::string& name) {
    std::vector<std::string> found;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(name + " ", 0) == 0 || line.rfind(name + "{", 0) == 0) found.push_back(line);
    return found;
}

// Label values are escaped in the busiest processes' names below.
TEST(PrometheusText, EscapesHelpAndWritesValuesExactly) {
    EXPECT_EQ(metrics::escapeHelp("a \"quoted\" \\ help\nline"), "a \"quoted\" \\\\ help\\nline");

    const std::vector<std::pair<double, std::string>> values{
        {-2.5, "-2.5"}, {1e-7, "1e-07"},    {0.1 + 0.2, "0.30000000000000004"},
        {NAN, "NaN"},   {INFINITY, "+Inf"}, {-INFINITY, "-Inf"},
    };
    for (const auto& [value, text] : values) EXPECT_EQ(metrics::sampleValue(value), text);
}

// A core over a fixture machine (no energy counters: the package power is the load estimate),
// polled once; the textfile exporter only when asked.
class FixtureCore {
public:
    explicit FixtureCore(const std::function<void(const test::FixtureTree&)>& machine,
                         bool textfile = false) {
        machine(tree);
        tree.write("proc/loadavg", "0.00 0.00 0.00 1/100 1000\n");
        tree.write("devices/system/cpu/online", "0-3\n");
        CoreServices services;
        services.drainHistory = services.drainAlerts = services.chargeControl = false;
        services.processEnergy = false;
        services.metricsTextfile = textfile;
        core = std::make_unique<AppCore>(
            std::make_unique<LinuxPlatform>(test::fixtureMachineRoots(tree), &clock), services);
        core->powerStore().poll();
        polled = test::waitUntil([&] { return core->powerStore().pollGeneration() >= 1; });
    }
    test::FixtureTree tree;
    ManualClock clock;
    std::unique_ptr<AppCore> core;
    bool polled = false;
};

TEST(TarvelMetrics, DescribesAChargingLaptopInBaseUnits) {
    FixtureCore m(test::chargingLaptop);
    ASSERT_TRUE(m.polled);
    const std::string text = tarvelMetrics(metricsSourcesOf(*m.core));

    for (const char* line : {
             "tarvel_battery_level_ratio 0.62",
             "tarvel_battery_charging 1",
             "tarvel_battery_cycles 123",
             "tarvel_battery_health_ratio 0.89",
             "tarvel_battery_design_capacity_coulombs 20160",
             "tarvel_battery_full_capacity_coulombs 18000",
             "tarvel_charge_limit_enabled 1",
             "tarvel_charge_limit_ratio 0.8",
             "# TYPE tarvel_battery_cycles gauge",
         })
        EXPECT_TRUE(hasLine(text, line)) << line << "\n" << text;
    // 1.5 A at 12.3 V.
    const auto battery = samplesOf(text, "tarvel_battery_power_watts");
    ASSERT_EQ(battery.size(), 1u) << text;
    EXPECT_NEAR(std::stod(battery[0].substr(battery[0].find(' '))), 18.45, 0.5);
    EXPECT_TRUE(samplesOf(text, "tarvel_package_domain_power_watts").empty());
    EXPECT_EQ(samplesOf(text, "tarvel_charge_limit_status").size(), 1u);
    EXPECT_EQ(samplesOf(text, "tarvel_poll_interval_seconds").size(), 1u);
    EXPECT_EQ(text.find("NaN"), std::string::npos);
    EXPECT_EQ(text.find("_total"), std::string::npos);
}

// Powercap zones: the package and three of its domains, each counter at `base` µJ.
void raplZones(const test::FixtureTree& t, long long base) {
    for (auto [zone, name, step] : {std::tuple{"intel-rapl:0", "package-0", 4},
                                    {"intel-rapl:0:0", "core", 2},
                                    {"intel-rapl:0:1", "uncore", 1},
                                    {"intel-rapl:0:2", "dram", 1}}) {
        const std::string folder = std::string("class/powercap/") + zone;
        t.write(folder + "/name", std::string(name) + "\n");
        t.write(folder + "/max_energy_range_uj", "262143328850\n");
        t.replace(folder + "/energy_uj", std::to_string(base * step) + "\n");
    }
}

TEST(TarvelMetrics, LabelsAMeasuredPackagePowerAndItsDomains) {
    FixtureCore m([](const test::FixtureTree& t) {
        test::dischargingEnergyLaptop(t);
        raplZones(t, 1'000'000'000);
    });
    ASSERT_TRUE(m.polled);
    // The counters give a rate from the second poll on.
    raplZones(m.tree, 1'001'000'000);
    m.clock.advance(1.0);
    m.core->powerStore().poll();
    ASSERT_TRUE(test::waitUntil([&] { return m.core->powerStore().pollGeneration() >= 2; }));
    const std::string text = tarvelMetrics(metricsSourcesOf(*m.core));

    // 4 J of package energy in one second, shown smoothed from the first poll's 2.2 W load
    // estimate; the cpu domain is the package less the uncore (the graphics, 1 J), the memory
    // took 1 J.
    EXPECT_EQ(samplesOf(text, "tarvel_package_power_watts"),
              std::vector<std::string>{"tarvel_package_power_watts{source=\"sensor\"} 3.18"});
    EXPECT_EQ(samplesOf(text, "tarvel_package_domain_power_watts"),
              (std::vector<std::string>{"tarvel_package_domain_power_watts{domain=\"cpu\"} 3",
                                        "tarvel_package_domain_power_watts{domain=\"gpu\"} 1",
                                        "tarvel_package_domain_power_watts{domain=\"dram\"} 1",
                                        "tarvel_package_domain_power_watts{domain=\"other\"} 0"}));
    EXPECT_EQ(samplesOf(text, "tarvel_gpu_watts"), std::vector<std::string>{"tarvel_gpu_watts 1"});
}

TEST(TarvelMetrics, LeavesOutWhatIsUnknown) {
    struct Row {
        const char* machine;
        void (*build)(const test::FixtureTree&);
        const char* history;  // under data/; a folder when it ends in "folder.jsonl"
        std::vector<const char*> lines, absent;
    };
    for (const Row& row : {
             // A desktop: nothing about a battery; a history not written yet is an empty one.
             Row{"desktop",
                 test::desktopMainsOnly,
                 "none.jsonl",
                 {"tarvel_battery_present 0", "tarvel_ac_power_connected 1",
                  "tarvel_drain_history_size_bytes 0"},
                 {"tarvel_battery_level_ratio", "tarvel_battery_charging",
                  "tarvel_battery_power_watts", "tarvel_battery_health_ratio",
                  "tarvel_battery_time_remaining_seconds"}},
             Row{"full, without cycle count or design capacity, history a folder",
                 test::fullOnAC,
                 "folder.jsonl",
                 {"tarvel_battery_level_ratio 1"},
                 {"tarvel_battery_cycles", "tarvel_battery_design_capacity_coulombs",
                  "tarvel_battery_health_ratio", "tarvel_drain_history_size_bytes"}},
             // Present, but no level (a 0 would be empty).
             Row{"unreadable level",
                 test::unreadableLevelLaptop,
                 "none.jsonl",
                 {"tarvel_battery_present 1"},
                 {"tarvel_battery_level_ratio"}},
         }) {
        SCOPED_TRACE(row.machine);
        FixtureCore m(row.build);
        ASSERT_TRUE(m.polled);
        const std::string history = m.tree.root() + "/data/" + row.history;
        if (std::string(row.history) == "folder.jsonl")
            QDir().mkpath(QString::fromStdString(history));
        const std::string text = tarvelMetrics(metricsSourcesOf(*m.core, history));
        for (const char* line : row.lines) EXPECT_TRUE(hasLine(text, line)) << line << "\n" << text;
        for (const char* name : row.absent)
            EXPECT_EQ(text.find(name), std::string::npos) << name << "\n" << text;
    }
    // Before the first poll there is nothing to say about the battery or the power.
    PowerStore idle;
    EXPECT_EQ(tarvelMetrics(MetricsSources{&idle, nullptr, {}, {}}), "");
}

ProcEnergy row(const std::string& name, double watts, std::optional<double> gpuWatts = {}) {
    ProcEnergy p;
    p.name = name;
    p.estimatedWatts = watts;
    p.gpuWatts = gpuWatts;
    return p;
}

TEST(TarvelMetrics, NamesTheFiveBusiestProcessesOnceEachWithEscapedNames) {
    MetricsSources sources;
    sources.topProcesses = {
        row("firefox", 2.0, 1.5),
        row("say \"hi\"", 1.5, 0.0),
        row("back\\slash", 1.0),
        row("firefox", 0.75, 0.25),  // a second process of one name adds to the first
        row("two\nlines", 0.5),
        row("bad\xff"
            "byte",
            0.25),
        row("sixth", 0.125),
    };
    const std::string text = tarvelMetrics(sources);
    EXPECT_EQ(samplesOf(text, "tarvel_process_power_watts"),
              (std::vector<std::string>{
                  "tarvel_process_power_watts{name=\"firefox\"} 2.75",
                  "tarvel_process_power_watts{name=\"say \\\"hi\\\"\"} 1.5",
                  "tarvel_process_power_watts{name=\"back\\\\slash\"} 1",
                  "tarvel_process_power_watts{name=\"two\\nlines\"} 0.5",
                  "tarvel_process_power_watts{name=\"bad\xef\xbf\xbd"
                  "byte\"} 0.25",
              }));
    EXPECT_EQ(samplesOf(text, "tarvel_process_gpu_watts"),
              (std::vector<std::string>{"tarvel_process_gpu_watts{name=\"firefox\"} 1.75",
                                        "tarvel_process_gpu_watts{name=\"say \\\"hi\\\"\"} 0"}));
}

long long inodeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_ino) : -1;
}

QStringList entriesOf(const std::string& folder) {
    return QDir(QString::fromStdString(folder))
        .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Each write replaces the file (a new inode) and leaves nothing else in the folder; an
// unchanged text leaves the file as it is.
TEST(TextfileWriter, ReplacesTheFileOnlyWhenTheTextChanges) {
    test::FixtureTree tree;
    tree.write("export/tarvel.prom", "a 1\n");  // left by an earlier run, same text
    const std::string path = tree.root() + "/export/tarvel.prom";
    TextfileWriter writer(path);

    struct Step {
        std::string text;
        bool replaced;
    };
    const std::vector<Step> steps{
        {"a 1\n", false}, {"a 2\n", true}, {"a 2\n", false}, {"a 1\n", true}, {"", true},
    };
    for (const auto& step : steps) {
        const long long before = inodeOf(path);
        ASSERT_TRUE(writer.update(step.text)) << writer.problem();
        EXPECT_EQ(tree.read("export/tarvel.prom"), step.text);
        EXPECT_EQ(inodeOf(path) != before, step.replaced) << step.text;
        EXPECT_EQ(entriesOf(tree.root() + "/export"), QStringList{"tarvel.prom"});
    }
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);  // the exporter runs as another user
}

// A write that cannot finish leaves no temporary file behind and says why; the next write
// after the trouble is gone goes through.
TEST(TextfileWriter, SaysWhyAWriteFailedAndLeavesNothingBehind) {
    test::FixtureTree tree;
    const std::string folder = tree.root() + "/export";
    const std::string path = folder + "/tarvel.prom";
    TextfileWriter writer(path);
    EXPECT_FALSE(writer.update("a 1\n"));  // no folder yet
    EXPECT_EQ(writer.problem().rfind("cannot create a file in " + folder + ": ", 0), 0u)
        << writer.problem();

    // A folder in the file's place cannot be replaced.
    QDir().mkpath(QString::fromStdString(path + "/inside"));
    EXPECT_FALSE(writer.update("a 1\n"));
    EXPECT_EQ(writer.problem().rfind("cannot replace " + path + ": ", 0), 0u) << writer.problem();
    EXPECT_EQ(entriesOf(folder), QStringList{});

    QDir(QString::fromStdString(path)).removeRecursively();
    EXPECT_TRUE(writer.update("a 2\n"));
    EXPECT_EQ(writer.problem(), "");
    EXPECT_EQ(tree.read("export/tarvel.prom"), "a 2\n");

    // Gone with the writer's consent only: a file someone else rewrote stays.
    tree.write("export/tarvel.prom", "theirs 1\n");
    writer.removeWritten();
    EXPECT_EQ(tree.read("export/tarvel.prom"), "theirs 1\n");
}

// The application's exporter follows the setting, also when another process writes it: on,
// moved to another file (the old one goes), off (the file goes).
TEST(MetricsTextfileExporter, FollowsTheSettingLive) {
    FixtureCore m(test::dischargingEnergyLaptop, true);
    ASSERT_TRUE(m.polled);
    m.core->start();
    QDir().mkpath(QString::fromStdString(m.tree.root() + "/export"));
    const std::string first = m.tree.root() + "/export/first.prom";
    const std::string second = m.tree.root() + "/export/second.prom";
    const auto exists = [](const std::string& path) {
        return QFileInfo::exists(QString::fromStdString(path));
    };
    EXPECT_EQ(m.core->metricsTextfile().path(), "");

    // Another process's settings store, on the same file.
    UserDefaults other(test::fixtureMachineRoots(m.tree).settingsPath);
    other.setString(MetricsTextfileExporter::kTextfileKey, first);
    ASSERT_TRUE(test::waitUntil([&] { return exists(first); }));
    EXPECT_NE(m.tree.read("export/first.prom").find("tarvel_battery_level_ratio 0.6\n"),
              std::string::npos)
        << m.tree.read("export/first.prom");

    other.setString(MetricsTextfileExporter::kTextfileKey, second);
    ASSERT_TRUE(test::waitUntil([&] { return exists(second) && !exists(first); }));

    // A battery change reaches the file at the next poll.
    m.tree.replace("class/power_supply/BAT1/capacity", "40\n");
    m.core->powerStore().poll();
    ASSERT_TRUE(test::waitUntil([&] {
        return m.tree.read("export/second.prom").find("tarvel_battery_level_ratio 0.4\n") !=
               std::string::npos;
    }));

    m.core->settings().setString(MetricsTextfileExporter::kTextfileKey, "");
    ASSERT_TRUE(test::waitUntil([&] { return !exists(second); }));
}

}  // namespace
}  // namespace tarvel
