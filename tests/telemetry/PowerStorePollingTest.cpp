#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMetaProperty>
#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <semaphore>

#include "platform/BatteryServices.h"
#include "platform/CommandRunner.h"
#include "platform/LowPowerMode.h"
#include "platform/linux/LinuxSystemInfo.h"
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
    ScriptedPackagePower() : PackagePower(nullptr, noInfo_) {}  // reads neither
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
    LinuxSystemInfo noInfo_{"/nonexistent", "/nonexistent"};
    std::mutex mutex_;
    std::deque<PackageReading> script_;
};

struct Recorder final : PowerRecorder, DrainEvaluator {
    void recordPower(std::optional<int> level, double packageW, double, bool) override {
        records.push_back({level.value_or(-1), packageW});
    }
    void evaluate(int level, bool onBattery) override { evaluations.push_back({level, onBattery}); }
    std::vector<std::pair<int, double>> records;
    std::vector<std::pair<int, bool>> evaluations;
};

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
        s.smartBattery = RegDict{{"CurrentCapacity", RegValue::integer(percent)},
                                 {"MaxCapacity", RegValue::integer(100)},
                                 {"IsCharging", charging},
                                 {"ExternalConnected", external}};
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

// Watches every published property of an object: each must notify exactly once when its
// value changes and never when it does not.
class PublishedWatch : public QObject {
    Q_OBJECT
public:
    explicit PublishedWatch(QObject& target) : target_(target) {
        const QMetaObject* mo = target.metaObject();
        const int slot = metaObject()->indexOfSlot("notified()");
        for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i) {
            const QMetaProperty p = mo->property(i);
            if (!p.hasNotifySignal()) continue;
            properties_.push_back(p);
            QMetaObject::connect(&target, p.notifySignalIndex(), this, slot);
        }
        remember();
    }
    // The properties whose signals since the last call do not match their change of value.
    std::vector<std::string> mismatches() {
        std::vector<std::string> wrong;
        for (const QMetaProperty& p : properties_) {
            const bool changed = values_.at(p.name()) != p.read(&target_);
            const int hits = counts_[p.notifySignalIndex()];
            if (hits != (changed ? 1 : 0))
                wrong.push_back(std::string(p.name()) + (changed ? " changed" : " unchanged") +
                                ", signals: " + std::to_string(hits));
        }
        remember();
        return wrong;
    }

public slots:
    void notified() { ++counts_[senderSignalIndex()]; }

private:
    void remember() {
        counts_.clear();
        for (const QMetaProperty& p : properties_) values_[p.name()] = p.read(&target_);
    }

    QObject& target_;
    std::vector<QMetaProperty> properties_;
    std::map<std::string, QVariant> values_;
    std::map<int, int> counts_;
};

BatteryState publishedBattery(const PowerStore& s) {
    return {s.batteryPresent(),
            s.levelPercent(),
            s.isCharging(),
            s.isOnAC(),
            s.chargeWatts(),
            s.batterySourcesUsed(),
            s.timeEstimateSource(),
            s.cycleCount(),
            s.healthPercent(),
            s.capacityRaw(),
            s.designCapacity(),
            s.timeText(),
            s.statusText(),
            s.remainingMinutes(),
            s.minutesIsLiveEstimate(),
            s.smoothedAmperageMA(),
            s.levelKnown()};
}

PackageState publishedPackage(const PowerStore& s) {
    return {s.packageWatts(),     s.packageSource(),       s.cpuDomainWatts(),
            s.gpuDomainWatts(),   s.aneDomainWatts(),      s.dramDomainWatts(),
            s.otherDomainWatts(), s.hasPowerDistribution()};
}

}  // namespace

TEST(PowerStorePolling, CadenceFollowsThePowerStateLowPowerModeAndFastMode) {
    Harness h;
    h.package.push(5);
    h.setBattery(100, false, true);  // full, resting on the adapter
    h.store->start();
    Harness::waitFor([&] { return h.store->pollGeneration() == 1 && !h.store->pollInFlight(); });
    EXPECT_EQ(h.timer->interval(), 10.0);

    h.setBattery(100, false, false);  // unplugged: 3 s from the end of the next poll
    h.poll();
    EXPECT_EQ(h.timer->interval(), 3.0);

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

    h.battery = FixedBatteryServices(BatteryServiceSnapshot{});  // a desktop
    h.poll();
    EXPECT_EQ(h.store->currentInterval(), 4.0);
}

TEST(PowerStorePolling, PublishesWhatItsSmoothersProduceAndNotifiesOnlyOnChange) {
    Harness h;
    PublishedWatch watch(*h.store);

    BatterySmoother battery;
    BatSnap snap;
    snap.present = true;
    snap.level = 80;
    snap.minutes = 200;
    snap.chargeW = 10;
    snap.cycles = 5;
    snap.health = 90;
    snap.rawMax = 4000;
    snap.design = 5000;
    snap.amperageMA = -1000;
    snap.voltageMV = 12000;
    snap.sourcesLabel = "SMC";
    auto apply = [&](double seconds) {
        h.clock.advance(seconds);
        h.store->applyBattery(snap);
        EXPECT_EQ(publishedBattery(*h.store), battery.apply(snap, h.clock.now()));
        EXPECT_EQ(watch.mismatches(), std::vector<std::string>{});
    };
    apply(3);
    snap.level = 81;
    snap.minutes = 260;
    snap.minutesIsLiveEstimate = true;
    snap.cycles = 6;
    snap.sourcesLabel = "";
    apply(3);
    h.store->notePowerTransition(true);
    battery.notePowerTransition(true, h.clock.now());
    apply(3);
    snap.charging = snap.onAC = true;
    snap.chargeW = 30;
    snap.minutes = 50;
    apply(40);
    snap.levelKnown = false;
    apply(3);
    snap.present = false;
    apply(3);

    PackageSmoother package;
    const std::vector<PackageReading> readings = {
        {10, "sensor", std::nullopt},
        {10.1, "sensor", std::nullopt},
        {0, "sensor", std::nullopt},  // no reading: the history repeats the published value
        {20, "sensor (2 domains)", SocPowerSample{2.0, 0.01, 0, 0.3, 0}},
        {20, "sensor (2 domains)", SocPowerSample{4.0, 0, 0.2, 0.3, 0.5}},
        {6, "estimate", std::nullopt},
    };
    for (const auto& r : readings) h.package.push(r.watts, r.source, r.distribution);
    for (const auto& r : readings) {
        h.poll();
        EXPECT_EQ(publishedPackage(*h.store), package.apply(r));
        EXPECT_EQ(h.store->wattHistory().back(), h.store->packageWatts());
        EXPECT_EQ(watch.mismatches(), std::vector<std::string>{});
    }
}

TEST(PowerStorePolling, HistoryIsRepublishedEveryPollWhileShortOrFastElseEveryTwelveSeconds) {
    Harness h;
    for (int i = 1; i <= 12; ++i) h.package.push(i * 100.0);
    for (int i = 1; i <= 7; ++i) h.poll(1);  // fewer than 8 values: every poll
    EXPECT_EQ(h.store->wattHistory().size(), 7u);
    h.poll(1);
    h.poll(10);  // 11 s after the last publication
    EXPECT_EQ(h.store->wattHistory().size(), 7u);
    h.poll(1);
    EXPECT_EQ(h.store->wattHistory().size(), 10u);
    EXPECT_EQ(h.store->wattHistory().back(), h.store->packageWatts());
    h.store->setFastMode(true);
    h.poll(2);
    EXPECT_EQ(h.store->wattHistory().size(), 11u);
    h.poll(2);
    EXPECT_EQ(h.store->wattHistory().size(), 12u);
    EXPECT_EQ(h.store->wattHistorySpark(), h.store->wattHistory());
}

TEST(PowerStorePolling, ASecondPollWhileOneIsInFlightDoesNothing) {
    Harness h;
    h.package.push(5);
    h.package.blocking = true;
    for (int i = 0; i < 3; ++i) h.store->poll();
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
    // Cross-checks (ioreg runs), core-share reads and drain records so far.
    auto counts = [&] {
        return std::tuple(h.commands.calls("/usr/sbin/ioreg"), h.package.coreReads.load(),
                          h.recorder.records.size());
    };
    h.poll();  // the first poll does all three
    EXPECT_EQ(counts(), std::tuple(1, 1, 1u));
    EXPECT_DOUBLE_EQ(h.store->pCoreShare(), 0.5);
    for (int i = 0; i < 14; ++i) h.poll(3);  // 42 s later: core shares again at 30 s
    EXPECT_EQ(counts(), std::tuple(1, 2, 2u));
    h.poll(3);  // 45 s
    EXPECT_EQ(counts(), std::tuple(2, 2, 2u));
    EXPECT_EQ(h.recorder.evaluations.size(), 16u);
    EXPECT_EQ(h.recorder.evaluations.back(), std::make_pair(50, true));

    h.package.shares = {0.51, 0.49};  // within 0.02: not republished
    h.store->setFastMode(true);       // fast mode reads the shares every poll
    h.poll(2);
    EXPECT_EQ(h.package.coreReads, 3);
    EXPECT_DOUBLE_EQ(h.store->pCoreShare(), 0.5);

    // A level no source can read is recorded without one, and no alert is judged on it.
    BatteryServiceSnapshot unread;
    unread.smartBattery = RegDict{{"IsCharging", false}, {"ExternalConnected", false}};
    h.battery = FixedBatteryServices(unread);
    const auto judged = h.recorder.evaluations.size();
    h.poll(30);
    EXPECT_EQ(h.recorder.records.back().first, -1);
    EXPECT_EQ(h.recorder.evaluations.size(), judged);
}

// What a wake does to the shown figures is the smoother's (the publishing test holds the store to
// it); the store adds two extra polls.
TEST(PowerStorePolling, WakePollsAgainAfterFiveAndFifteenSeconds) {
    Harness h;
    h.package.push(5);
    h.poll();
    h.store->notePowerTransition(true);
    EXPECT_EQ(h.timer->pendingDelays(), (std::vector<double>{5.0, 15.0}));
    const auto before = h.store->pollGeneration();
    h.timer->advance(5);
    Harness::waitFor(
        [&] { return h.store->pollGeneration() == before + 1 && !h.store->pollInFlight(); });
    h.timer->advance(10);
    Harness::waitFor(
        [&] { return h.store->pollGeneration() == before + 2 && !h.store->pollInFlight(); });

    // The store going away drops its pending extra polls.
    h.store->notePowerTransition(true);
    h.store.reset();
    h.timer->advance(20);
}

#include "PowerStorePollingTest.moc"
