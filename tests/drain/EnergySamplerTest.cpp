#include <gtest/gtest.h>
#include <unistd.h>

#include "drain/EnergySampler.h"
#include "drain/ProcFixture.h"
#include "platform/linux/ProcProcessList.h"

namespace tarvel {
namespace {

using test::ProcFixture;

const ProcEnergy* findRow(const std::vector<ProcEnergy>& rows, std::int32_t pid) {
    for (const auto& r : rows)
        if (r.id == pid) return &r;
    return nullptr;
}

// A pass's rows as "pid name cpu% gpu% watts (GPU watts)", rounded, to compare a whole pass.
std::vector<std::string> listing(const std::vector<ProcEnergy>& rows) {
    std::vector<std::string> lines;
    for (const auto& r : rows) {
        char text[200];
        std::snprintf(text, sizeof text, "%d %s cpu %.2f gpu %.2f %.3f W", r.id, r.name.c_str(),
                      r.cpuPercent, r.gpuPercent, r.estimatedWatts);
        lines.push_back(text);
        if (r.gpuWatts) {
            std::snprintf(text, sizeof text, " (GPU %.3f W)", *r.gpuWatts);
            lines.back() += text;
        }
    }
    return lines;
}
using Lines = std::vector<std::string>;

TEST(ProcStat, FieldsCountFromTheLastParenthesisAndTicksBecomeNanoseconds) {
    const std::string odd = "42 (a) b (c) R 1 1 1 0 -1 0 0 0 0 0 250 150 0 0\n";
    const auto t = parseProcStat(odd.data(), odd.size(), 100);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->totalUserNs, 2'500'000'000ULL);
    EXPECT_EQ(t->totalSystemNs, 1'500'000'000ULL);

    for (const std::string bad : {"42 (x) R 1 2 3", "no parenthesis 1 2 3 4 5 6 7 8 9 10 11 12 13",
                                  "42 (x) R 1 1 1 0 -1 0 0 0 0 0 -5 10 0", ""})
        EXPECT_FALSE(parseProcStat(bad.data(), bad.size(), 100)) << bad;
}

TEST(EnergySampler, NewProcessesCountZeroFirstThenTheirGrowthAndNamesComeFromProc) {
    ProcFixture proc;
    proc.setCpu(10, 5.0, "worker");
    proc.setCpu(11, 1.0);  // no comm file: the fallback name
    proc.writeRaw("self/stat", "not a pid");
    proc.setCpu(::getpid(), 0.0, "me");
    ProcProcessList list(proc.root(), ProcFixture::kHz, 4);
    EnergySampler sampler(list, 1000.0);

    EXPECT_TRUE(sampler.pass(1010.0, 10.0, false).empty());
    EXPECT_EQ(sampler.trackedProcesses(), 2u);

    proc.setCpu(10, 10.0, "worker");     // 5 s of CPU in 10 s: half a core
    proc.setCpu(11, 2.0);                // 0.1 core
    proc.setCpu(::getpid(), 9.0, "me");  // the sampler's own process is never listed
    const auto rows = sampler.pass(1020.0, 12.0, false);
    // 0.5 and 0.1 of the 0.6 cores that ran share 12 W (factor 1).
    EXPECT_EQ(listing(rows), (Lines{"10 worker cpu 50.00 gpu 0.00 10.000 W",
                                    "11 pid 11 cpu 10.00 gpu 0.00 2.000 W"}));
    EXPECT_FALSE(rows[0].path);
    EXPECT_DOUBLE_EQ(rows[0].powerShare, 10.0 / 12.0);
}

// The GPU's watts go by GPU time, the rest by CPU time; a client is counted once however many
// processes hold it, cycles count as a busy fraction, and without GPU watts only the time shows.
TEST(EnergySampler, GpuWattsFollowGpuTimeFromDrmFdinfo) {
    ProcFixture proc;
    const auto engines = ProcFixture::engines;
    auto cycles = [](const char* busy, const char* total) {
        return std::string("drm-cycles-rcs:\t") + busy + "\ndrm-total-cycles-rcs:\t" + total + "\n";
    };
    proc.setCpu(30, 10.0, "player");
    proc.setGpuClient(30, 4, "i915", 7, engines("1000000000", "0"));
    proc.setCpu(31, 0.0, "player");  // forked: the same client
    proc.setGpuClient(31, 4, "i915", 7, engines("1000000000", "0"));
    proc.setCpu(32, 0.0, "compiler");
    proc.setCpu(33, 0.0, "xe-app");
    proc.setGpuClient(33, 5, "xe", 9, cycles("100", "1000"));
    proc.setCpu(34, 0.0, "closer");
    proc.setGpuClient(34, 6, "i915", 11, engines("5000000000", "0"));
    ProcProcessList list(proc.root(), ProcFixture::kHz, 4),
        timeOnly(proc.root(), ProcFixture::kHz, 4);
    EnergySampler withPower(list, 0.0), withoutPower(timeOnly, 0.0);
    withPower.pass(10.0, 20.0, false, 12.0);
    withoutPower.pass(10.0, 20.0, false);

    proc.setCpu(30, 11.0, "player");  // 0.1 core
    for (const int pid : {30, 31})    // 2 s + 3 s of engine time in 10 s: 50 %
        proc.setGpuClient(pid, 4, "i915", 7, engines("3000000000", "3000000000"));
    proc.setCpu(32, 3.0, "compiler");                          // 0.3 core
    proc.setGpuClient(33, 5, "xe", 9, cycles("200", "2000"));  // 10 %
    proc.closeFd(34, 6);
    // CPU: 8 W by 0.1 : 0.3 cores; GPU: 12 W by 0.5 : 0.1 of engine time.
    const auto rows = withPower.pass(20.0, 20.0, false, 12.0);
    EXPECT_EQ(listing(rows), (Lines{"30 player cpu 10.00 gpu 50.00 12.000 W (GPU 10.000 W)",
                                    "32 compiler cpu 30.00 gpu 0.00 6.000 W (GPU 0.000 W)",
                                    "33 xe-app cpu 0.00 gpu 10.00 2.000 W (GPU 2.000 W)"}));
    EXPECT_EQ(
        listing(withoutPower.pass(20.0, 20.0, false)),
        (Lines{"32 compiler cpu 30.00 gpu 0.00 15.000 W", "30 player cpu 10.00 gpu 50.00 5.000 W",
               "33 xe-app cpu 0.00 gpu 10.00 0.000 W"}));

    // A known process that ran and opened another client has it counted from the next pass.
    proc.setCpu(33, 0.01, "xe-app");
    proc.setGpuClient(33, 7, "i915", 13, engines("0", "0"));
    withPower.pass(30.0, 20.0, false, 12.0);
    proc.setGpuClient(33, 7, "i915", 13, engines("4000000000", "0"));
    const auto later = withPower.pass(40.0, 20.0, false, 12.0);
    const ProcEnergy* xe = findRow(later, 33);
    ASSERT_TRUE(xe);
    EXPECT_NEAR(xe->gpuPercent, 40.0, 1e-9);
}

TEST(EnergySampler, BackwardsCountersCountZeroAndOneProcessIsCappedAtTheCpuCount) {
    ProcFixture proc;
    proc.setCpu(20, 100.0, "reused");
    proc.setCpu(21, 0.0, "hog");
    ProcProcessList list(proc.root(), ProcFixture::kHz, 2);
    EnergySampler sampler(list, 0.0);
    sampler.pass(10.0, 5.0, true);

    proc.setCpu(20, 50.0, "reused");  // pid reuse: the counter went down
    proc.setCpu(21, 100.0, "hog");    // 10 cores' worth in 10 s
    EXPECT_EQ(listing(sampler.pass(20.0, 5.0, true)), Lines{"21 hog cpu 200.00 gpu 0.00 5.000 W"});

    // The next pass measures from the lower value again; the one row takes the 5 W.
    proc.setCpu(20, 55.0, "reused");
    EXPECT_EQ(listing(sampler.pass(30.0, 5.0, true)),
              Lines{"20 reused cpu 50.00 gpu 0.00 5.000 W"});
}

TEST(EnergySampler, TotalIsFlooredThresholdsDependOnModeAndTinyWattsSkipCalibration) {
    ProcFixture proc;
    proc.setCpu(30, 0.0, "light");
    proc.setCpu(31, 0.0, "fresh");
    ProcProcessList list(proc.root(), ProcFixture::kHz, 4);
    EnergySampler sampler(list, 0.0);
    sampler.pass(100.0, 0.0, true);

    proc.setCpu(30, 3.0, "light");  // 0.03 cores over 100 s
    auto rows = sampler.pass(200.0, 0.0, true);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_DOUBLE_EQ(rows[0].powerShare, 0.6);  // 0.03 / 0.05, not 1.0

    // Slow mode needs 0.08 cores.
    proc.setCpu(30, 6.0, "light");
    EXPECT_TRUE(sampler.pass(300.0, 10.0, false).empty());

    // 0.05 W or less: no calibration, the smoothed value stands.
    proc.setCpu(31, 10.0, "fresh");  // 0.1 cores
    rows = sampler.pass(400.0, 0.05, false);
    EXPECT_EQ(listing(rows), Lines{"31 fresh cpu 10.00 gpu 0.00 0.050 W"});
    EXPECT_DOUBLE_EQ(rows[0].energyScore, 10.0 * 0.05 + 0.05 * 10.0);
}

TEST(EnergySampler, CalibrationFactorStaysWithinBoundsAndStoredSmoothingIsUnscaled) {
    ProcFixture proc;
    for (int pid = 100; pid < 110; ++pid) proc.setCpu(pid, 0.0);
    ProcProcessList list(proc.root(), ProcFixture::kHz, 8);
    EnergySampler sampler(list, 0.0);
    sampler.pass(10.0, 20.0, false);
    for (int pid = 100; pid < 110; ++pid) proc.setCpu(pid, 5.0);  // ten equal half cores

    // Five rows kept share 10 W of a measured 20 W: the factor 2 is capped at 1.35.
    // Equal watts keep the listing order.
    EXPECT_EQ(
        listing(sampler.pass(20.0, 20.0, false)),
        (Lines{"100 pid 100 cpu 50.00 gpu 0.00 2.700 W", "101 pid 101 cpu 50.00 gpu 0.00 2.700 W",
               "102 pid 102 cpu 50.00 gpu 0.00 2.700 W", "103 pid 103 cpu 50.00 gpu 0.00 2.700 W",
               "104 pid 104 cpu 50.00 gpu 0.00 2.700 W"}));

    // One process: 10 W smoothed, then 3 W measured: the factor floor is 0.6.
    ProcFixture single;
    single.setCpu(7, 0.0, "one");
    ProcProcessList oneList(single.root(), ProcFixture::kHz, 8);
    EnergySampler one(oneList, 0.0);
    one.pass(10.0, 10.0, false);
    single.setCpu(7, 10.0, "one");
    ASSERT_DOUBLE_EQ(one.pass(20.0, 10.0, false).at(0).estimatedWatts, 10.0);
    single.setCpu(7, 20.0, "one");
    auto r = one.pass(30.0, 3.0, false).at(0);
    const double ema2 = 3.0 * 0.45 + 10.0 * 0.55;
    EXPECT_DOUBLE_EQ(r.estimatedWatts, 0.6 * ema2);
    single.setCpu(7, 30.0, "one");
    r = one.pass(40.0, 3.0, false).at(0);
    const double ema3 = 3.0 * 0.45 + ema2 * 0.55;  // from the unscaled value
    EXPECT_DOUBLE_EQ(r.estimatedWatts, 0.6 * ema3);
    EXPECT_EQ(r.samples, (std::vector<double>{10.0, ema2, ema3}));
}

TEST(EnergySampler, FastModeListsEightAndHistoryIsCappedAtThirty) {
    ProcFixture proc;
    for (int pid = 1; pid <= 12; ++pid) proc.setCpu(pid, 0.0, "p" + std::to_string(pid));
    ProcProcessList list(proc.root(), ProcFixture::kHz, 16);
    EnergySampler sampler(list, 0.0);
    sampler.pass(10.0, 30.0, true);
    std::vector<ProcEnergy> rows;
    for (int round = 1; round <= 35; ++round) {
        for (int pid = 1; pid <= 12; ++pid)
            proc.setCpu(pid, round * pid * 0.5, "p" + std::to_string(pid));
        rows = sampler.pass(10.0 + round * 10.0, 30.0, true);
    }
    // The busiest first; the paths shown are the store's test's.
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[0].id, 12);
    EXPECT_EQ(rows[7].id, 5);
    EXPECT_EQ(rows[0].samples.size(), 30u);
}

TEST(EnergySampler, DepartedProcessesAreForgottenAndAFailedListingListsNothing) {
    ProcFixture proc;
    proc.setCpu(40, 0.0, "a");
    proc.setCpu(41, 0.0, "b");
    ProcProcessList list(proc.root(), ProcFixture::kHz, 4);
    EnergySampler sampler(list, 0.0);
    sampler.pass(10.0, 5.0, false);
    proc.setCpu(40, 5.0, "a");
    proc.setCpu(41, 5.0, "b");
    ASSERT_EQ(sampler.pass(20.0, 5.0, false).size(), 2u);
    EXPECT_EQ(sampler.smoothedProcesses(), 2u);

    proc.removeProcess(41);
    proc.setCpu(40, 10.0, "a");
    ASSERT_EQ(sampler.pass(30.0, 5.0, false).size(), 1u);
    EXPECT_EQ(sampler.smoothedProcesses(), 1u);

    // The pid comes back as a new process: it counts 0 first and its history starts afresh.
    proc.setCpu(41, 500.0, "b2");
    EXPECT_EQ(findRow(sampler.pass(40.0, 5.0, false), 41), nullptr);
    proc.setCpu(41, 505.0, "b2");
    const auto rows = sampler.pass(50.0, 5.0, false);
    ASSERT_NE(findRow(rows, 41), nullptr);
    EXPECT_EQ(findRow(rows, 41)->samples.size(), 1u);

    ProcProcessList gone(proc.root() + "/missing", ProcFixture::kHz, 4);
    EnergySampler failing(gone, 0.0);
    EXPECT_TRUE(failing.pass(10.0, 5.0, false).empty());
}

// Lists of other lengths, empty ones among them, show in the store's test.
TEST(EnergySampler, ListsDifferingOnlyByJitterCountAsTheSame) {
    std::vector<ProcEnergy> shown{{1, "a", {}, 1, 50.0, 0.5, 3.0, {}, 30.0, {}},
                                  {2, "b", {}, 1, 20.0, 0.2, 1.0, {}, 0.0, {}}};
    auto next = shown;
    for (auto& p : next) {
        p.estimatedWatts += 0.1;
        p.cpuPercent -= 1.5;
    }
    EXPECT_TRUE(sameWithinTolerance(shown, next));
    next[1].estimatedWatts = shown[1].estimatedWatts + 0.16;
    EXPECT_FALSE(sameWithinTolerance(shown, next));
    next = shown;
    next[0].cpuPercent += 2.0;
    EXPECT_FALSE(sameWithinTolerance(shown, next));
    next = shown;
    next[0].gpuPercent -= 2.0;
    EXPECT_FALSE(sameWithinTolerance(shown, next));
    next = {shown[1], shown[0]};
    EXPECT_FALSE(sameWithinTolerance(shown, next));
}

}  // namespace
}  // namespace tarvel
