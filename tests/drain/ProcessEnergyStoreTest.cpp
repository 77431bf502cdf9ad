#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "drain/DrainLog.h"
#include "drain/ProcFixture.h"
#include "drain/ProcessEnergyStore.h"
#include "platform/linux/ProcProcessList.h"
#include "support/WaitUntil.h"

namespace tarvel {
namespace {
using test::waitUntil;

using test::ProcFixture;

// The real /proc reader over a fixture, counting the passes that list processes.
class CountingList final : public ProcessList {
public:
    explicit CountingList(const std::string& root) : inner_(root, ProcFixture::kHz, 4) {}
    std::atomic<int> listings{0};
    int logicalCpuCount() override { return inner_.logicalCpuCount(); }
    std::int32_t ownPid() override { return inner_.ownPid(); }
    bool listAllPids(std::vector<std::int32_t>& pids) override {
        ++listings;
        return inner_.listAllPids(pids);
    }
    std::optional<TaskTimes> taskTimes(std::int32_t pid) override { return inner_.taskTimes(pid); }
    std::optional<std::string> name(std::int32_t pid) override { return inner_.name(pid); }
    std::optional<std::string> path(std::int32_t pid) override { return inner_.path(pid); }

private:
    ProcProcessList inner_;
};

class ProcessEnergyStoreTest : public ::testing::Test {
protected:
    ProcFixture proc;
    test::FixtureTree support;
    ManualClock clock{1'772'373'600.0};
    UserDefaults defaults{support.root() + "/defaults.json"};
    DrainLog log{clock, defaults, support.root(), [] { return 1; }};
    CountingList list{proc.root()};
    PowerFigures figures{3.0, 8.0, true, false, false};
    ProcessEnergyStore store{clock, list, [this] { return figures; }, &log};
    int finished = 0;
    int changes = 0;

    void SetUp() override {
        QObject::connect(&store, &ProcessEnergyStore::sampleFinished, [this] { ++finished; });
        QObject::connect(&store, &ProcessEnergyStore::topChanged, [this] { ++changes; });
    }
    void sampleAfter(double seconds) {
        clock.advance(seconds);
        const int before = finished;
        store.sample();
        ASSERT_TRUE(waitUntil([&] { return finished > before; }));
    }
    std::string history() {
        log.waitForPendingWork();
        return support.read("drain.jsonl");
    }
};

// On battery and on the adapter: see the store's test below.
TEST(PowerFigures, BatteryDrawOnBatteryOtherwiseThePackage) {
    EXPECT_DOUBLE_EQ(attributableWatts({3.0, 0.2, true, false, false}), 3.0);
    EXPECT_DOUBLE_EQ(attributableWatts({3.0, 8.0, true, false, true}), 3.0);
    EXPECT_DOUBLE_EQ(attributableWatts({3.0, 8.0, false, false, false}), 3.0);
    EXPECT_DOUBLE_EQ(attributableWatts({-1.0, 0.0, false, true, false}), 0.0);
    EXPECT_DOUBLE_EQ(attributableWatts({std::nan(""), 0.0, false, true, false}), 0.0);
}

TEST_F(ProcessEnergyStoreTest,
       PublishesTheTopListSkipsJitterAndLogsTheLeaderEveryTwentyFiveSeconds) {
    proc.setCpu(500, 10.0, "compiler");
    sampleAfter(10);
    EXPECT_TRUE(store.top().empty());
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(history(), "");  // nothing to log without a leader

    proc.setCpu(500, 20.0, "compiler");  // one core
    sampleAfter(10);
    ASSERT_EQ(store.top().size(), 1u);
    EXPECT_EQ(store.top()[0].name, "compiler");
    EXPECT_DOUBLE_EQ(store.top()[0].estimatedWatts, 8.0);  // the battery's draw, on battery
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(
        history(),
        R"({"t":"2026-03-01T14:00:20Z","kind":"proc","name":"compiler","score":80.0,"cpu":100.0})"
        "\n");

    // Slightly different figures: the shown list stays, and 10 s is too soon to log again.
    proc.setCpu(500, 29.9, "compiler");
    figures.chargeWatts = 7.9;
    sampleAfter(10);
    EXPECT_EQ(changes, 1);
    EXPECT_DOUBLE_EQ(store.top()[0].estimatedWatts, 8.0);

    proc.setCpu(500, 41.9, "compiler");
    sampleAfter(12);  // 22 s after the last record: still too soon
    const std::string soFar = history();
    EXPECT_EQ(std::count(soFar.begin(), soFar.end(), '\n'), 1);

    // On the adapter the package figure counts; 25 s after the last record the leader is logged.
    figures.isOnAC = true;
    proc.setCpu(500, 44.9, "compiler");
    sampleAfter(3);
    EXPECT_EQ(changes, 2);
    EXPECT_LT(store.top()[0].estimatedWatts, 5.0);
    const std::string text = history();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
}

TEST_F(ProcessEnergyStoreTest, OnePassAtATimeAndFastModeSamplesOnceMoreWithPaths) {
    proc.setCpu(600, 0.0, "editor");
    proc.setExe(600, "/usr/bin/editor");
    store.sample();
    store.sample();  // dropped: a pass is in flight
    ASSERT_TRUE(waitUntil([&] { return finished == 1; }));
    EXPECT_EQ(list.listings.load(), 1);

    store.start();
    proc.setCpu(600, 1.0, "editor");
    clock.advance(20);
    store.setFastMode(true);
    store.setFastMode(true);
    EXPECT_DOUBLE_EQ(store.timerInterval(), 5.0);
    ASSERT_TRUE(waitUntil([&] { return finished == 2; }));
    // Only one extra sample for the two calls.
    QElapsedTimer settle;
    settle.start();
    waitUntil([&] { return settle.elapsed() > 600; }, 1000);
    EXPECT_EQ(finished, 2);
    ASSERT_EQ(store.top().size(), 1u);
    EXPECT_EQ(store.top()[0].path, "/usr/bin/editor");

    store.setFastMode(false);
    EXPECT_DOUBLE_EQ(store.timerInterval(), 20.0);
}

TEST_F(ProcessEnergyStoreTest, AStoreDestroyedWithAPassQueuedGoesQuietly) {
    proc.setCpu(700, 0.0, "x");
    auto temporary = std::make_unique<ProcessEnergyStore>(
        clock, list, [this] { return figures; }, &log);
    int published = 0;
    QObject::connect(temporary.get(), &ProcessEnergyStore::topChanged, [&] { ++published; });
    temporary->sample();
    temporary.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(published, 0);
}

}  // namespace
}  // namespace tarvel
