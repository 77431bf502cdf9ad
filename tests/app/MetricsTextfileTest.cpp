#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>

#include "app/AppCore.h"
#include "app/metrics/TextfileWriter.h"
#include "base/UserDefaults.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/FixtureMachine.h"
#include "support/PowerSupplyFixtures.h"
#include "support/WaitUntil.h"

namespace tarvel {
namespace {

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
    TextfileWriter second(path);
    ASSERT_TRUE(second.update("mine 1\n"));
    second.removeWritten();
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(path)));
}

// The application's exporter follows the setting, also when another process writes it: on,
// moved to another file (the old one goes), off (the file goes).
TEST(MetricsTextfileExporter, FollowsTheSettingLive) {
    test::FixtureTree tree;
    test::dischargingEnergyLaptop(tree);
    const MachineRoots roots = test::fixtureMachineRoots(tree);
    QDir().mkpath(QString::fromStdString(tree.root() + "/export"));
    const std::string first = tree.root() + "/export/first.prom";
    const std::string second = tree.root() + "/export/second.prom";
    const auto exists = [](const std::string& path) {
        return QFileInfo::exists(QString::fromStdString(path));
    };

    CoreServices services;
    services.drainHistory = services.drainAlerts = services.chargeControl = false;
    services.processEnergy = false;
    services.metricsTextfile = true;
    AppCore core(std::make_unique<LinuxPlatform>(roots), services);
    core.start();
    ASSERT_TRUE(test::waitUntil([&] { return core.powerStore().pollGeneration() >= 1; }));
    EXPECT_EQ(core.metricsTextfile().path(), "");

    // Another process's settings store, on the same file.
    UserDefaults other(roots.settingsPath);
    other.setString(MetricsTextfileExporter::kTextfileKey, first);
    ASSERT_TRUE(test::waitUntil([&] { return exists(first); }));
    EXPECT_NE(tree.read("export/first.prom").find("tarvel_battery_level_ratio 0.6\n"),
              std::string::npos)
        << tree.read("export/first.prom");

    other.setString(MetricsTextfileExporter::kTextfileKey, second);
    ASSERT_TRUE(test::waitUntil([&] { return exists(second) && !exists(first); }));

    // A battery change reaches the file at the next poll.
    tree.replace("class/power_supply/BAT1/capacity", "40\n");
    core.powerStore().poll();
    ASSERT_TRUE(test::waitUntil([&] {
        return tree.read("export/second.prom").find("tarvel_battery_level_ratio 0.4\n") !=
               std::string::npos;
    }));

    core.settings().setString(MetricsTextfileExporter::kTextfileKey, "");
    ASSERT_TRUE(test::waitUntil([&] { return !exists(second); }));
    EXPECT_EQ(core.metricsTextfile().path(), "");
}

}  // namespace
}  // namespace tarvel
