#include <gtest/gtest.h>

#include "telemetry/BatterySmoother.h"

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

BatSnap charging(int level, std::optional<std::int64_t> minutes = std::nullopt) {
    BatSnap s = onBattery(level, minutes);
    s.charging = s.onAC = true;
    return s;
}

BatSnap resting(int level, std::optional<std::int64_t> minutes = std::nullopt) {
    BatSnap s = onBattery(level, minutes);
    s.onAC = true;
    return s;
}

BatSnap withWatts(BatSnap s, double w) {
    s.chargeW = w;
    return s;
}

struct Smoother {
    BatterySmoother smoother;
    double now = 1000;
    // Applies a snapshot one poll (3 s) after the previous one.
    const BatteryState& poll(const BatSnap& s, double seconds = 3) {
        now += seconds;
        return smoother.apply(s, now);
    }
    void transition(bool wake) { smoother.notePowerTransition(wake, now); }
};

}  // namespace

TEST(BatterySmoother, LevelIsDebounced) {
    struct Row {
        const char* name;
        std::vector<int> levels;
        std::vector<int> shown;
    };
    const Row rows[] = {
        {"one point back and forth never shows", {80, 81, 80, 81}, {80, 80, 80, 80}},
        {"one point shows on its second reading in a row", {80, 81, 81}, {80, 80, 81}},
        {"two points need two readings in a row too", {80, 82, 82}, {80, 80, 82}},
        {"two points back and forth never show", {80, 82, 80, 82}, {80, 80, 80, 80}},
        {"another near level starts the count again", {80, 81, 82, 82}, {80, 80, 80, 82}},
        {"three points down show at once", {80, 77}, {80, 77}},
        {"three points up show at once", {80, 83}, {80, 83}},
        {"clamped to 0...100", {130, -5}, {100, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Smoother s;
        std::vector<int> shown;
        for (int level : row.levels) shown.push_back(s.poll(onBattery(level)).levelPercent);
        EXPECT_EQ(shown, row.shown);
    }
    // A level no source could read is unknown, not 0 %; the next one read shows at once.
    Smoother s;
    s.poll(onBattery(80));
    BatSnap unread = onBattery(0);
    unread.levelKnown = false;
    EXPECT_FALSE(s.poll(unread).levelKnown);
    EXPECT_EQ(s.poll(onBattery(81)).levelPercent, 81);
}

TEST(BatterySmoother, CurrentIsBandLimitedAndSmallReadingsAreIgnored) {
    struct Row {
        const char* name;
        BatSnap mode;
        std::vector<std::optional<std::int64_t>> amps;
        std::optional<double> smoothed;
    };
    const Row rows[] = {
        {"the first reading is taken as is", onBattery(50), {-1000}, -1000.0},
        {"a jump is limited to 20 % of the smoothed value",
         onBattery(50),
         {-1000, -3000},
         0.88 * -1000 + 0.12 * -1200},
        {"the band is at least 100 mA", onBattery(50), {-100, -1000}, 0.88 * -100 + 0.12 * -200},
        {"25 mA counts", onBattery(50), {-1000, -25}, 0.88 * -1000 + 0.12 * -800},
        {"below 25 mA is ignored", onBattery(50), {-1000, -24}, -1000.0},
        {"no reading is ignored", onBattery(50), {-1000, std::nullopt}, -1000.0},
        {"charging current is smoothed the same way",
         charging(50),
         {1000, 3000},
         0.88 * 1000 + 0.12 * 1200},
        {"resting on the adapter has no current", resting(50), {-1000}, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Smoother s;
        BatSnap snap = row.mode;
        for (auto a : row.amps) {
            snap.amperageMA = a;
            s.poll(snap);
        }
        ASSERT_EQ(s.smoother.state().smoothedAmperageMA.has_value(), row.smoothed.has_value());
        if (row.smoothed) {
            EXPECT_DOUBLE_EQ(*s.smoother.state().smoothedAmperageMA, *row.smoothed);
        }
    }
}

TEST(BatterySmoother, PowerIsSmoothedAndShownPastAThreshold) {
    BatSnap fromCurrent = withWatts(onBattery(50), 5);
    fromCurrent.amperageMA = -1000;
    fromCurrent.voltageMV = 12000;
    BatSnap tinyCurrent = fromCurrent;
    tinyCurrent.amperageMA = -40;
    tinyCurrent.voltageMV = 2000;  // 0.08 W: too little to trust over the reported watts

    struct Row {
        const char* name;
        std::vector<BatSnap> snaps;
        std::vector<double> shown;
    };
    const Row rows[] = {
        {"moves of less than 0.2 W are not shown",
         {withWatts(onBattery(50), 10), withWatts(onBattery(50), 11), withWatts(onBattery(50), 11)},
         {10, 10, 0.15 * 11 + 0.85 * (0.15 * 11 + 0.85 * 10)}},
        {"0.05 W or less shows 0 and restarts the smoothing",
         {withWatts(onBattery(50), 10), withWatts(onBattery(50), 0.05),
          withWatts(onBattery(50), 20)},
         {10, 0, 20}},
        {"current times voltage wins over the reported watts", {fromCurrent}, {12}},
        {"unless it is 0.08 W or less", {tinyCurrent}, {5}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Smoother s;
        std::vector<double> shown;
        for (const BatSnap& snap : row.snaps) shown.push_back(s.poll(snap).chargeWatts);
        EXPECT_EQ(shown, row.shown);
    }
}

TEST(BatterySmoother, StatusAndTimeTexts) {
    BatSnap live = onBattery(60, 45);
    live.minutesIsLiveEstimate = true;
    BatSnap none;
    none.minutes = 120;

    struct Row {
        const char* name;
        BatSnap snap;
        std::string status, time;
        std::optional<std::int64_t> minutes;
        const char* source;  // null: not checked
    };
    const Row rows[] = {
        {"on battery", withWatts(onBattery(60, 200), 10), "On battery · 10.0 W", "3h 20m left", 200,
         "power_supply gauge"},
        {"on battery, no power", onBattery(60, 45), "On battery", "45 min left", 45,
         "power_supply gauge"},
        {"power below the display threshold still names itself", withWatts(onBattery(60), 0.06),
         "On battery · 0.1 W", "Calculating…", std::nullopt, "—"},
        {"power of 0.05 W is none", withWatts(onBattery(60), 0.05), "On battery", "Calculating…",
         std::nullopt, "—"},
        {"a live estimate", live, "On battery", "45 min left", 45, "Pack draw"},
        {"20 hours is the most on battery", onBattery(60, 1200), "On battery", "20h 0m left", 1200,
         "power_supply gauge"},
        {"more is no time", onBattery(60, 1201), "On battery", "Calculating…", std::nullopt, "—"},
        {"charging", withWatts(charging(60, 50), 30), "Charging · 30.0 W", "50 min to full", 50,
         "power_supply gauge"},
        {"8 hours is the most to full", charging(60, 480), "Charging", "8h 0m to full", 480,
         "power_supply gauge"},
        {"more is no time", charging(60, 481), "Charging", "Calculating…", std::nullopt, "—"},
        {"full on the adapter", resting(100, 90), "Full · on AC", "On AC power", std::nullopt, "—"},
        {"not full on the adapter", resting(99, 90), "Plugged in", "On AC power", std::nullopt,
         "—"},
        {"no battery", none, "No battery", "Desktop / AC", std::nullopt, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Smoother s;
        const BatteryState& st = s.poll(row.snap);
        EXPECT_EQ(st.statusText, row.status);
        EXPECT_EQ(st.timeText, row.time);
        EXPECT_EQ(st.remainingMinutes, row.minutes);
        if (row.source) {
            EXPECT_EQ(st.timeEstimateSource, row.source);
        }
    }
}

TEST(BatterySmoother, MinutesMoveAtMostTwoPerPollAndTheTextFollows) {
    Smoother s;
    s.poll(onBattery(60, 200));
    EXPECT_EQ(s.smoother.state().remainingMinutes, 200);
    const BatteryState& st = s.poll(onBattery(60, 260));
    EXPECT_EQ(st.remainingMinutes, 202);    // EMA 207.2, target 220.4, capped at +2
    EXPECT_EQ(st.timeText, "3h 22m left");  // minutes changed: published at once
}

TEST(BatterySmoother, TimeTextWaitsEightSecondsUnlessTheMinutesMoved) {
    // Plugged in while going to sleep: the held poll shows "Calculating…"; the minutes that
    // come after are the ones already shown, so the new text waits out the 8 s.
    Smoother s;
    s.poll(onBattery(60, 200));
    s.transition(false);
    s.poll(charging(60), 0.5);
    s.poll(charging(60), 7.5);
    EXPECT_EQ(s.smoother.state().timeText, "Calculating…");
    s.poll(charging(60), 0.5);  // 8 s after "Calculating…"
    EXPECT_EQ(s.smoother.state().timeText, "3h 20m to full");
}

TEST(BatterySmoother, WakeHoldsTheShownTimeAndForgetsTheCurrentAndPendingLevel) {
    Smoother s;
    BatSnap snap = onBattery(60, 200);
    snap.amperageMA = -1000;
    for (int i = 0; i < 3; ++i) s.poll(snap);
    snap.level = 61;
    s.poll(snap);  // one reading of 61: pending
    s.transition(true);
    EXPECT_EQ(s.smoother.state().smoothedAmperageMA, std::nullopt);

    snap.minutes = 100;
    const BatteryState& st = s.poll(snap, 5);
    EXPECT_EQ(st.levelPercent, 60);  // the 61 before the sleep does not count
    EXPECT_EQ(st.remainingMinutes, 200);
    EXPECT_EQ(st.timeEstimateSource, "—");
    s.poll(snap, 20);  // 25 s after the wake: still held
    EXPECT_EQ(s.smoother.state().levelPercent, 61);
    EXPECT_EQ(s.smoother.state().remainingMinutes, 200);
    s.poll(snap, 6);  // 31 s
    EXPECT_EQ(s.smoother.state().remainingMinutes, 198);

    // Going to sleep holds for one second only.
    s.transition(false);
    s.poll(snap, 0.5);
    EXPECT_EQ(s.smoother.state().remainingMinutes, 198);
    s.poll(snap, 1);
    EXPECT_EQ(s.smoother.state().remainingMinutes, 196);
}
