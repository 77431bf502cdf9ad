#include <gtest/gtest.h>

#include "telemetry/PowerStore.h"

using namespace tarvel;

namespace {

BatSnap onBattery(int level, std::optional<std::int64_t> minutes = std::nullopt) {
    BatSnap s;
    s.present = true;
    s.level = level;
    s.minutes = minutes;
    s.sourcesLabel = "SMC + IOPS";
    return s;
}

struct Store {
    ManualClock clock{1000};
    PowerStore store{clock};
    // Applies a snapshot one poll (3 s) after the previous one.
    void poll(const BatSnap& s, double seconds = 3) {
        clock.advance(seconds);
        store.applyBattery(s);
    }
};

}  // namespace

TEST(BatterySmoothing, LevelIsDebounced) {
    Store s;
    std::vector<int> shown;
    for (int level : {80, 81, 80, 81}) {
        s.poll(onBattery(level));
        shown.push_back(s.store.levelPercent());
    }
    EXPECT_EQ(shown, (std::vector<int>{80, 80, 80, 80}));
    s.poll(onBattery(81));
    EXPECT_EQ(s.store.levelPercent(), 81);  // the second 81 in a row
    s.poll(onBattery(78));
    EXPECT_EQ(s.store.levelPercent(), 78);  // three points at once
    s.poll(onBattery(130));
    EXPECT_EQ(s.store.levelPercent(), 100);
}

TEST(BatterySmoothing, CurrentIsBandLimitedAndResetOnTheAdapter) {
    Store s;
    BatSnap snap = onBattery(50);
    snap.amperageMA = -1000;
    snap.voltageMV = 12000;
    s.poll(snap);
    snap.amperageMA = -3000;
    s.poll(snap);
    EXPECT_DOUBLE_EQ(*s.store.smoothedAmperageMA(), -1024.0);
    snap.amperageMA = -20;  // too small to count: kept on battery
    s.poll(snap);
    EXPECT_DOUBLE_EQ(*s.store.smoothedAmperageMA(), -1024.0);
    EXPECT_DOUBLE_EQ(s.store.chargeWatts(), 12.0);
    EXPECT_EQ(s.store.statusText(), "On battery · 12.0 W");

    snap.onAC = true;  // plugged in and not charging: cleared
    s.poll(snap);
    EXPECT_FALSE(s.store.smoothedAmperageMA());
}

TEST(BatterySmoothing, PowerPublishesPastThresholdAndDropsToZeroOnce) {
    Store s;
    int changes = 0;
    QObject::connect(&s.store, &PowerStore::chargeWattsChanged, [&] { ++changes; });
    BatSnap snap = onBattery(50);
    snap.chargeW = 10.0;
    s.poll(snap);
    EXPECT_DOUBLE_EQ(s.store.chargeWatts(), 10.0);
    snap.chargeW = 11.0;  // EMA 10.15: below the 0.2 W display threshold
    s.poll(snap);
    EXPECT_DOUBLE_EQ(s.store.chargeWatts(), 10.0);
    s.poll(snap);  // EMA 10.2775
    EXPECT_DOUBLE_EQ(s.store.chargeWatts(), 10.2775);
    EXPECT_EQ(changes, 2);

    snap.chargeW = 0.04;
    s.poll(snap);
    s.poll(snap);
    EXPECT_EQ(s.store.chargeWatts(), 0.0);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(s.store.statusText(), "On battery");
}

TEST(BatterySmoothing, MinutesMoveAtMostTwoPerPollAndTheTextFollows) {
    Store s;
    s.poll(onBattery(60, 200));
    EXPECT_EQ(s.store.remainingMinutes(), 200);
    EXPECT_EQ(s.store.timeText(), "3h 20m left");
    EXPECT_EQ(s.store.timeEstimateSource(), "SMC gauge");
    s.poll(onBattery(60, 260));
    EXPECT_EQ(s.store.remainingMinutes(), 202);    // EMA 207.2, target 220.4, capped at +2
    EXPECT_EQ(s.store.timeText(), "3h 22m left");  // minutes changed: published at once

    for (int i = 0; i < 120; ++i) s.poll(onBattery(60, 45));
    EXPECT_EQ(*s.store.remainingMinutes(), 45);
    EXPECT_EQ(s.store.timeText(), "45 min left");

    // Live estimates are labelled as such.
    BatSnap live = onBattery(60, 45);
    live.minutesIsLiveEstimate = true;
    s.poll(live);
    EXPECT_TRUE(s.store.minutesIsLiveEstimate());
    EXPECT_EQ(s.store.timeEstimateSource(), "Pack draw");
}

TEST(BatterySmoothing, ImplausibleMinutesNeverShow) {
    Store s;
    s.poll(onBattery(60, 1500));
    EXPECT_EQ(s.store.remainingMinutes(), std::nullopt);
    EXPECT_EQ(s.store.timeText(), "Calculating…");
    EXPECT_EQ(s.store.timeEstimateSource(), "—");

    BatSnap charging = onBattery(60, 500);  // over the 480 min charging bound
    charging.charging = charging.onAC = true;
    charging.chargeW = 30;
    s.poll(charging);
    EXPECT_EQ(s.store.timeText(), "Calculating…");
    EXPECT_EQ(s.store.statusText(), "Charging · 30.0 W");
    charging.minutes = 50;
    s.poll(charging);
    EXPECT_EQ(s.store.timeText(), "50 min to full");
    charging.minutes = 95;
    for (int i = 0; i < 60; ++i) s.poll(charging);
    EXPECT_EQ(s.store.timeText(), "1h 35m to full");
}

TEST(BatterySmoothing, WakeHoldsTheShownTimeForThirtySeconds) {
    Store s;
    for (int i = 0; i < 3; ++i) s.poll(onBattery(60, 200));
    s.store.notePowerTransition(true);
    s.poll(onBattery(60, 100), 5);
    EXPECT_EQ(s.store.remainingMinutes(), 200);
    EXPECT_EQ(s.store.timeText(), "3h 20m left");
    EXPECT_EQ(s.store.timeEstimateSource(), "—");
    s.poll(onBattery(60, 100), 20);  // 25 s after the wake: still held
    EXPECT_EQ(s.store.remainingMinutes(), 200);
    s.poll(onBattery(60, 100), 6);  // 31 s
    EXPECT_EQ(s.store.remainingMinutes(), 198);
    EXPECT_EQ(s.store.timeEstimateSource(), "SMC gauge");

    // Going to sleep holds for one second only.
    s.store.notePowerTransition(false);
    s.poll(onBattery(60, 100), 0.5);
    EXPECT_EQ(s.store.remainingMinutes(), 198);
    s.poll(onBattery(60, 100), 1);
    EXPECT_EQ(s.store.remainingMinutes(), 196);
}

TEST(BatterySmoothing, AdapterAndDesktopTexts) {
    Store s;
    BatSnap full = onBattery(100, 90);
    full.onAC = true;
    s.poll(full);
    EXPECT_EQ(s.store.statusText(), "Full · on AC");
    EXPECT_EQ(s.store.timeText(), "On AC power");
    EXPECT_EQ(s.store.remainingMinutes(), std::nullopt);
    full.level = 99;
    s.poll(full);
    EXPECT_EQ(s.store.statusText(), "Full · on AC");  // one poll at 99 % is not a change yet
    s.poll(full);
    EXPECT_EQ(s.store.statusText(), "Plugged in");

    BatSnap none;
    none.minutes = 120;
    none.cycles = 5;
    s.poll(none);
    EXPECT_FALSE(s.store.batteryPresent());
    EXPECT_EQ(s.store.statusText(), "No battery");
    EXPECT_EQ(s.store.timeText(), "Desktop / AC");
    EXPECT_EQ(s.store.remainingMinutes(), std::nullopt);
    EXPECT_EQ(s.store.batterySourcesUsed(), "—");
    EXPECT_EQ(s.store.cycleCount(), 5);
}
