#include <gtest/gtest.h>

#include <numeric>

#include "telemetry/BatterySmoother.h"
#include "telemetry/PackageSmoother.h"
#include "telemetry/WattHistory.h"

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
        EXPECT_EQ(s.smoother.state().smoothedAmperageMA, row.smoothed);
    }
}

TEST(BatterySmoother, PowerIsSmoothedAndShownPastAThreshold) {
    const auto w = [](double watts) { return withWatts(onBattery(50), watts); };
    BatSnap fromCurrent = w(5);
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
         {w(10), w(11), w(11)},
         {10, 10, 0.15 * 11 + 0.85 * (0.15 * 11 + 0.85 * 10)}},
        {"0.05 W or less shows 0 and restarts the smoothing", {w(10), w(0.05), w(20)}, {10, 0, 20}},
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
        EXPECT_EQ(std::tuple(st.statusText, st.timeText, st.remainingMinutes),
                  std::tuple(row.status, row.time, row.minutes));
        if (row.source) {
            EXPECT_EQ(st.timeEstimateSource, row.source);
        }
    }
}

TEST(BatterySmoother, MinutesMoveAtMostTwoPerPollAndTheTextFollows) {
    Smoother s;
    EXPECT_EQ(s.poll(onBattery(60, 200)).remainingMinutes, 200);
    // EMA 207.2, target 220.4, capped at +2; the minutes changed: the text is published at once.
    const BatteryState& st = s.poll(onBattery(60, 260));
    EXPECT_EQ(std::tuple(st.remainingMinutes, st.timeText), std::tuple(202, "3h 22m left"));
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
    auto shown = [&](double seconds) {
        const BatteryState& st = s.poll(snap, seconds);
        return std::tuple(st.levelPercent, st.remainingMinutes, st.timeEstimateSource);
    };
    // The 61 before the sleep does not count; the minutes are held 30 s.
    EXPECT_EQ(shown(5), std::tuple(60, 200, "—"));
    EXPECT_EQ(shown(20), std::tuple(61, 200, "—"));
    EXPECT_EQ(std::get<1>(shown(6)), 198);

    // Going to sleep holds for one second only.
    s.transition(false);
    EXPECT_EQ(std::get<1>(shown(0.5)), 198);
    EXPECT_EQ(std::get<1>(shown(1)), 196);
}

TEST(PackageSmoother, WattsFollowBigStepsFasterAndShowPastATenthOfAWatt) {
    struct Row {
        const char* name;
        std::vector<double> readings;
        double shown;
    };
    const Row rows[] = {
        {"the first reading is taken as is", {10}, 10},
        {"a step of 1.5 W is small", {10, 11.5}, 11.5 * 0.22 + 10 * 0.78},
        {"a step just over 1.5 W is middling", {10, 11.51}, 11.51 * 0.35 + 10 * 0.65},
        {"a step of 4.0 W is middling", {10, 14}, 14 * 0.35 + 10 * 0.65},
        {"a step just over 4.0 W is big", {10, 14.01}, 14.01 * 0.55 + 10 * 0.45},
        {"steps down count the same", {10, 8.4}, 8.4 * 0.35 + 10 * 0.65},
        {"no reading leaves everything as it was", {10, 0, 10.5}, 10.5 * 0.22 + 10 * 0.78},
        {"a move that still shows as 10.0 is not shown", {10, 10.2}, 10},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PackageSmoother smoother;
        for (double w : row.readings) smoother.apply({w, "sensor", std::nullopt});
        EXPECT_DOUBLE_EQ(smoother.state().packageWatts, row.shown);
    }
}

TEST(PackageSmoother, SourceAndDomainSplit) {
    PackageSmoother s;
    // Source text, split or not, and the CPU, GPU, DRAM and other watts.
    auto shown = [&](const PackageReading& r) {
        const PackageState& st = s.apply(r);
        return std::tuple(st.packageSource, st.hasPowerDistribution, st.cpuDomainWatts,
                          st.gpuDomainWatts, st.dramDomainWatts, st.otherDomainWatts);
    };
    EXPECT_EQ(shown({2.31, "sensor", std::nullopt}), std::tuple("sensor", false, 0, 0, 0, 0));
    // Same watts, new text.
    EXPECT_EQ(shown({2.31, "sensor (2 domains)", SocPowerSample{2.0, 0.01, 0, 0.3, 0}}),
              std::tuple("sensor (2 domains)", true, 2.0, 0.01, 0.3, 0));
    // The GPU's 0.01 was at most 0.01: the new 0 is taken as is.
    const double cpu = 4.0 * 0.45 + 2.0 * 0.55, dram = 0.3 * 0.45 + 0.3 * 0.55;
    EXPECT_EQ(shown({2.31, "sensor (2 domains)", SocPowerSample{4.0, 0, 0, 0.3, 0.5}}),
              std::tuple("sensor (2 domains)", true, cpu, 0, dram, 0.5));
    // A sensor reading without a split keeps the last one; the estimate has none.
    EXPECT_EQ(shown({2.31, "sensor", std::nullopt}), std::tuple("sensor", true, cpu, 0, dram, 0.5));
    EXPECT_EQ(shown({6.0, "estimate", std::nullopt}),
              std::tuple("estimate", false, cpu, 0, dram, 0.5));
}

TEST(WattHistory, KeepsTheLast700InOrderAndTheSparkSamplesSixty) {
    struct Row {
        const char* name;
        int pushes;
        std::vector<std::pair<size_t, double>> sparkPoints;  // index → value
        size_t sparkSize;
    };
    // Value i is pushed i-th (from 1), so a spark point names the push it came from.
    const Row rows[] = {
        {"60 values are their own spark", 60, {{0, 1}, {29, 30}, {59, 60}}, 60},
        {"61 values: index round(60 / 59 × k)", 61, {{0, 1}, {29, 30}, {30, 32}, {59, 61}}, 60},
        {"705 values: the first 5 fell out", 705, {{0, 6}, {1, 18}, {59, 705}}, 60},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WattHistory h;
        for (int i = 1; i <= row.pushes; ++i) h.push(i);
        const std::vector<double> history = h.chronological();
        std::vector<double> expected(static_cast<size_t>(std::min(row.pushes, 700)));
        std::iota(expected.begin(), expected.end(),
                  double(row.pushes) - double(expected.size()) + 1);
        EXPECT_EQ(history, expected);
        EXPECT_EQ(h.filled(), std::int64_t(expected.size()));
        const std::vector<double> spark = WattHistory::spark(history);
        ASSERT_EQ(spark.size(), row.sparkSize);
        for (auto [k, value] : row.sparkPoints) EXPECT_EQ(spark[k], value) << "point " << k;
    }
}
