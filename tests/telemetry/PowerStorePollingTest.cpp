#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>
#include <deque>
#include <mutex>
#include <semaphore>

#include "platform/BatteryServices.h"
#include "platform/CommandRunner.h"
#include "platform/LowPowerMode.h"
#include "support/ManualPollTimer.h"
#include "support/WaitUntil.h"
#include "telemetry/PowerObservers.h"
#include "telemetry/PowerStore.h"

using namespace tarvel;
using tarvel::test::ManualPollTimer;

namespace {

// Package readings handed out in order (the last one repeats); can hold a poll in flight.
class ScriptedPackagePower final : public PackagePower {
public:
    ScriptedPackagePower() : PackagePower(nullptr, noInfo_) {}
    PackageReading readPackageWattsDetailed() override {
        if (blocking) gate.acquire();
        std::lock_guard lock(mutex_);
        ++reads;
        PackageReading r = script_.empty() ? PackageReading{} : script_.front();
        if (script_.size() > 1) script_.pop_front();
        return r;
    }
    CoreShares readCoreShares() override {
        ++coreReads;
        return shares;
    }
    void push(double watts, std::string source = "estimate",
              std::optional<SocPowerSample> d = std::nullopt) {
        std::lock_guard lock(mutex_);
        script_.push_back({watts, std::move(source), d});
    }

    std::atomic<int> reads{0}, coreReads{0};
    std::atomic<bool> blocking{false};
    std::counting_semaphore<16> gate{0};
    CoreShares shares{0.5, 0.5};

private:
    struct NoInfo final : SystemInfo {
        std::optional<double> loadAverage1() override { return std::nullopt; }
        std::optional<int> logicalCpuCount() override { return std::nullopt; }
        std::optional<int> performanceCpuCount() override { return std::nullopt; }
        std::optional<int> efficiencyCpuCount() override { return std::nullopt; }
    } noInfo_;
    std::mutex mutex_;
    std::deque<PackageReading> script_;
};

struct Recorder final : PowerRecorder, DrainEvaluator {
    void recordPower(int level, double packageW, double, bool) override {
        records.push_back({level, packageW});
    }
    void evaluate(int level, bool onBattery) override { evaluations.push_back({level, onBattery}); }
    std::vector<std::pair<int, double>> records;
    std::vector<std::pair<int, bool>> evaluations;
};

RegDict batteryEntry(int percent, bool charging, bool external) {
    return {{"CurrentCapacity", RegValue::integer(percent)},
            {"MaxCapacity", RegValue::integer(100)},
            {"IsCharging", charging},
            {"ExternalConnected", external}};
}

struct Harness {
    ManualClock clock{1'000'000};
    std::shared_ptr<ManualPollTimer> timer = std::make_shared<ManualPollTimer>(clock);
    FixedBatteryServices battery{{}};
    CannedCommandRunner commands;
    ScriptedPackagePower package;
    FixedLowPowerMode lowPower;
    Recorder recorder;
    std::unique_ptr<PowerStore> store;

    Harness() {
        PowerStoreEnvironment env;
        env.clock = &clock;
        env.batteryServices = &battery;
        env.commandRunner = &commands;
        env.packagePower = &package;
        env.lowPowerMode = &lowPower;
        env.recorder = &recorder;
        env.evaluator = &recorder;
        env.timer = timer;
        store = std::make_unique<PowerStore>(std::move(env));
    }
    void setBattery(int percent, bool charging, bool external) {
        BatteryServiceSnapshot s;
        s.smartBattery = batteryEntry(percent, charging, external);
        battery = FixedBatteryServices(s);
    }
    // One complete poll, `seconds` after the previous one.
    void poll(double seconds = 3) {
        clock.advance(seconds);
        const auto before = store->pollGeneration();
        store->poll();
        waitFor([&] { return store->pollGeneration() > before && !store->pollInFlight(); });
    }
    static void waitFor(const std::function<bool()>& done) { ASSERT_TRUE(test::waitUntil(done)); }
};

}  // namespace

TEST(PowerStorePolling, CadenceFollowsThePowerStateLowPowerModeAndFastMode) {
    Harness h;
    h.package.push(5);
    h.setBattery(100, false, true);  // full, resting on the adapter
    h.store->start();
    Harness::waitFor([&] { return h.store->pollGeneration() == 1 && !h.store->pollInFlight(); });
    EXPECT_EQ(h.timer->interval(), 10.0);
    EXPECT_EQ(h.timer->tolerance(), 1.5);

    h.setBattery(100, false, false);  // unplugged: 3 s from the end of the next poll
    h.poll();
    EXPECT_EQ(h.timer->interval(), 3.0);
    EXPECT_EQ(h.timer->tolerance(), 0.75);

    h.lowPower.set(true);  // takes effect at once, not at the next poll
    EXPECT_EQ(h.timer->interval(), 8.0);
    h.setBattery(70, true, true);
    h.poll();
    EXPECT_EQ(h.timer->interval(), 12.0);

    h.store->setFastMode(true);
    EXPECT_EQ(h.timer->interval(), 2.0);
    h.store->setFastMode(false);
    h.lowPower.set(false);
    EXPECT_EQ(h.timer->interval(), 4.0);

    h.setBattery(0, false, false);
    BatteryServiceSnapshot none;
    h.battery = FixedBatteryServices(none);  // a desktop
    h.poll();
    EXPECT_EQ(h.store->currentInterval(), 4.0);
}

TEST(PowerStorePolling, PackageWattsAreSmoothedAndPublishedPastAThreshold) {
    Harness h;
    int published = 0;
    QObject::connect(h.store.get(), &PowerStore::packageWattsChanged, [&] { ++published; });
    h.package.push(10);
    h.package.push(10.5);  // d 0.5: alpha 0.22 → 10.11, shown 10.1 ≥ 0.05 away: published
    h.package.push(10.1);  // EMA ~10.108: rounds to the shown 10.1, not republished
    h.package.push(0);     // no reading: smoother untouched
    h.package.push(20);    // d > 4: alpha 0.55
    h.poll();
    EXPECT_DOUBLE_EQ(h.store->packageWatts(), 10.0);
    h.poll();
    EXPECT_NEAR(h.store->packageWatts(), 10.11, 1e-9);
    h.poll();
    EXPECT_NEAR(h.store->packageWatts(), 10.11, 1e-9);
    EXPECT_EQ(published, 2);
    h.poll();
    EXPECT_NEAR(h.store->packageWatts(), 10.11, 1e-9);
    EXPECT_NEAR(h.store->wattHistory().back(), 10.11, 1e-9);  // still written into the history
    EXPECT_EQ(h.store->wattHistory().size(), 4u);
    h.poll();
    EXPECT_NEAR(h.store->packageWatts(), 20 * 0.55 + 10.10858 * 0.45, 1e-3);
}

TEST(PowerStorePolling, SourceChangeAndDomainSplitArePublished) {
    Harness h;
    SocPowerSample twoDomains{2.0, 0.01, 0, 0.3, 0};
    h.package.push(2.31, "sensor");
    h.package.push(2.31, "sensor (2 domains)", twoDomains);
    h.package.push(2.31, "sensor (2 domains)", SocPowerSample{4.0, 0, 0, 0.3, 0.5});
    h.package.push(6.0, "estimate");
    h.poll();
    EXPECT_EQ(h.store->packageSource(), "sensor");
    EXPECT_FALSE(h.store->hasPowerDistribution());
    int sourceChanges = 0;
    QObject::connect(h.store.get(), &PowerStore::packageSourceChanged, [&] { ++sourceChanges; });
    h.poll();
    EXPECT_EQ(h.store->packageSource(), "sensor (2 domains)");  // same watts, new text
    EXPECT_EQ(sourceChanges, 1);
    EXPECT_TRUE(h.store->hasPowerDistribution());
    EXPECT_DOUBLE_EQ(h.store->cpuDomainWatts(), 2.0);
    EXPECT_DOUBLE_EQ(h.store->dramDomainWatts(), 0.3);
    h.poll();
    EXPECT_DOUBLE_EQ(h.store->cpuDomainWatts(), 4.0 * 0.45 + 2.0 * 0.55);
    EXPECT_DOUBLE_EQ(h.store->gpuDomainWatts(), 0.0);  // 0.01 was at most 0.01: taken as is
    EXPECT_DOUBLE_EQ(h.store->otherDomainWatts(), 0.5);
    h.poll();
    EXPECT_EQ(h.store->packageSource(), "estimate");
    EXPECT_FALSE(h.store->hasPowerDistribution());
    EXPECT_DOUBLE_EQ(h.store->cpuDomainWatts(), 4.0 * 0.45 + 2.0 * 0.55);  // kept
}

TEST(PowerStorePolling, HistoryKeepsTheLast700AndTheSparkSamplesSixty) {
    Harness h;
    for (int i = 1; i <= 61; ++i) h.package.push(i * 100.0);  // far apart: each EMA step visible
    for (int i = 0; i < 61; ++i) h.poll(12);
    const auto& history = h.store->wattHistory();
    ASSERT_EQ(history.size(), 61u);
    ASSERT_EQ(h.store->wattHistorySpark().size(), 60u);
    EXPECT_EQ(h.store->wattHistorySpark().back(), history.back());
    EXPECT_EQ(h.store->wattHistorySpark().front(), history.front());

    Harness big;
    for (int i = 1; i <= 705; ++i) big.package.push(i);
    std::vector<double> firstSix;
    for (int i = 1; i <= 704; ++i) {
        big.poll(1);  // outside fast mode the history is republished at most every 12 s
        if (i == 6) firstSix = big.store->wattHistory();
    }
    ASSERT_EQ(firstSix.size(), 6u);
    big.poll(12);  // poll 705
    ASSERT_EQ(big.store->wattHistory().size(), 700u);
    EXPECT_EQ(big.store->wattHistory().front(), firstSix[5]);  // polls 1 to 5 fell out
    EXPECT_EQ(big.store->pollGeneration(), 705);
}

TEST(PowerStorePolling, ASecondPollWhileOneIsInFlightDoesNothing) {
    Harness h;
    h.package.push(5);
    h.package.blocking = true;
    h.store->poll();
    h.store->poll();
    h.store->poll();
    EXPECT_TRUE(h.store->pollInFlight());
    h.package.gate.release();
    Harness::waitFor([&] { return !h.store->pollInFlight(); });
    QCoreApplication::processEvents();
    EXPECT_EQ(h.package.reads, 1);
    EXPECT_EQ(h.store->pollGeneration(), 1);
    h.package.blocking = false;
    h.poll();
    EXPECT_EQ(h.package.reads, 2);
}

TEST(PowerStorePolling, CrossCheckCoreSharesAndDrainCadences) {
    Harness h;
    h.package.push(5);
    h.setBattery(50, false, false);
    h.poll();  // first poll: cross-check, core shares, drain record
    EXPECT_EQ(h.commands.calls("/usr/sbin/ioreg"), 1);
    EXPECT_EQ(h.package.coreReads, 1);
    EXPECT_DOUBLE_EQ(h.store->pCoreShare(), 0.5);
    EXPECT_EQ(h.recorder.records.size(), 1u);
    for (int i = 0; i < 14; ++i) h.poll(3);  // 42 s later
    EXPECT_EQ(h.commands.calls("/usr/sbin/ioreg"), 1);
    EXPECT_EQ(h.package.coreReads, 2);  // at 30 s
    EXPECT_EQ(h.recorder.records.size(), 2u);
    h.poll(3);  // 45 s
    EXPECT_EQ(h.commands.calls("/usr/sbin/ioreg"), 2);
    EXPECT_EQ(h.recorder.evaluations.size(), 16u);
    EXPECT_EQ(h.recorder.evaluations.back(), std::make_pair(50, true));

    h.package.shares = {0.51, 0.49};  // within 0.02: not republished
    h.store->setFastMode(true);       // fast mode reads the shares every poll
    h.poll(2);
    EXPECT_EQ(h.package.coreReads, 3);
    EXPECT_DOUBLE_EQ(h.store->pCoreShare(), 0.5);
}

TEST(PowerStorePolling, WakeHoldsTheTimeAndPollsAgainAfterFiveAndFifteenSeconds) {
    Harness h;
    h.package.push(5);
    BatteryServiceSnapshot s;
    s.smartBattery = batteryEntry(60, false, false);
    (*s.smartBattery)["TimeRemaining"] = RegValue::integer(200);
    h.battery = FixedBatteryServices(s);
    h.poll();
    EXPECT_EQ(h.store->remainingMinutes(), 200);
    (*s.smartBattery)["TimeRemaining"] = RegValue::integer(100);
    h.battery = FixedBatteryServices(s);

    h.store->notePowerTransition(true);
    EXPECT_EQ(h.timer->pendingDelays(), (std::vector<double>{5.0, 15.0}));
    const auto before = h.store->pollGeneration();
    h.timer->advance(5);
    Harness::waitFor(
        [&] { return h.store->pollGeneration() == before + 1 && !h.store->pollInFlight(); });
    h.timer->advance(10);
    Harness::waitFor(
        [&] { return h.store->pollGeneration() == before + 2 && !h.store->pollInFlight(); });
    EXPECT_EQ(h.store->remainingMinutes(), 200);  // held for 30 s
    h.poll(16);
    EXPECT_EQ(h.store->remainingMinutes(), 198);

    // The store going away drops its pending extra polls.
    h.store->notePowerTransition(true);
    h.store.reset();
    h.timer->advance(20);
}
