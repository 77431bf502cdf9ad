#include <gtest/gtest.h>

#include <numeric>

#include "telemetry/PackageSmoother.h"
#include "telemetry/WattHistory.h"

using namespace tarvel;

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
    s.apply({2.31, "sensor", std::nullopt});
    EXPECT_EQ(s.state().packageSource, "sensor");
    EXPECT_FALSE(s.state().hasPowerDistribution);

    s.apply({2.31, "sensor (2 domains)", SocPowerSample{2.0, 0.01, 0, 0.3, 0}});
    EXPECT_EQ(s.state().packageSource, "sensor (2 domains)");  // same watts, new text
    EXPECT_TRUE(s.state().hasPowerDistribution);
    EXPECT_DOUBLE_EQ(s.state().cpuDomainWatts, 2.0);
    EXPECT_DOUBLE_EQ(s.state().dramDomainWatts, 0.3);

    s.apply({2.31, "sensor (2 domains)", SocPowerSample{4.0, 0, 0, 0.3, 0.5}});
    EXPECT_DOUBLE_EQ(s.state().cpuDomainWatts, 4.0 * 0.45 + 2.0 * 0.55);
    EXPECT_DOUBLE_EQ(s.state().gpuDomainWatts, 0.0);  // 0.01 was at most 0.01: taken as is
    EXPECT_DOUBLE_EQ(s.state().otherDomainWatts, 0.5);

    // A sensor reading without a split keeps the last one; the estimate has none.
    s.apply({2.31, "sensor", std::nullopt});
    EXPECT_TRUE(s.state().hasPowerDistribution);
    s.apply({6.0, "estimate", std::nullopt});
    EXPECT_EQ(s.state().packageSource, "estimate");
    EXPECT_FALSE(s.state().hasPowerDistribution);
    EXPECT_DOUBLE_EQ(s.state().cpuDomainWatts, 4.0 * 0.45 + 2.0 * 0.55);  // kept
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
