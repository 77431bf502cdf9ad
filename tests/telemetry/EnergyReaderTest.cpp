#include <gtest/gtest.h>

#include "platform/linux/LinuxSystemInfo.h"
#include "platform/linux/RaplEnergyReporter.h"
#include "support/FixtureTree.h"
#include "telemetry/IOReportPowerReader.h"
#include "telemetry/PackagePower.h"

using namespace tarvel;
using tarvel::test::FixtureTree;

namespace {

// Channels and counters set by the test.
class FakeReporter final : public EnergyReporter {
public:
    std::optional<std::vector<Channel>> channels;
    std::vector<size_t> subscribed;
    bool refuse = false;
    std::vector<std::int64_t> counters;
    bool failSamples = false;

    std::optional<std::vector<Channel>> copyAllChannels() override { return channels; }
    bool createSubscription(const std::vector<size_t>& c) override {
        subscribed = c;
        return !refuse;
    }
    std::optional<Sample> createSamples() override {
        if (failSamples) return std::nullopt;
        return Sample{counters};
    }
    std::optional<std::vector<std::int64_t>> createSamplesDelta(const Sample& a,
                                                                const Sample& b) override {
        std::vector<std::int64_t> d;
        for (size_t i = 0; i < subscribed.size(); ++i)
            d.push_back(b.counters[subscribed[i]] - a.counters[subscribed[i]]);
        return d;
    }
};

// The load average and CPU count a machine's /proc and /sys give, under `t`.
LinuxSystemInfo loadedMachine(const FixtureTree& t, const std::string& load, const char* online) {
    t.write("proc/loadavg", load + " 1.00 1.00 1/100 1\n");
    t.write("sys/devices/system/cpu/online", online);
    return LinuxSystemInfo(t.root() + "/sys", t.root() + "/proc");
}

std::tuple<double, double, double, double> domainWatts(const SocPowerSample& s) {
    return {s.cpuWatts, s.gpuWatts, s.aneWatts, s.dramWatts};
}

}  // namespace

TEST(EnergyChannels, ClassifiedByGroupAndName) {
    using K = ChannelKind;
    EXPECT_EQ(classifyEnergyChannel("Energy Model", "ANE0 something"), K::ane);
    EXPECT_EQ(classifyEnergyChannel("Energy Model", "CPU Complex Energy 1"), K::cpu);
    EXPECT_EQ(classifyEnergyChannel("CPU Stats Energy", "GPU Energy"), K::gpu);
    EXPECT_EQ(classifyEnergyChannel("PMP", "Display Backlight Energy"), K::other);
    EXPECT_EQ(classifyEnergyChannel("PMP", "DRAM"), K::dram);
    EXPECT_EQ(classifyEnergyChannel("Energy Model", "SoC Total"), std::nullopt);
    EXPECT_EQ(classifyEnergyChannel("Performance", "CPU Energy"), std::nullopt);
    EXPECT_EQ(classifyEnergyChannel("", "GPU Energy"), std::nullopt);
}

TEST(IOReportPowerReader, SamplesWattsWithinTheGapBoundsAndFailsForGood) {
    FakeReporter reporter;
    reporter.channels = std::vector<EnergyReporter::Channel>{{"Energy Model", "CPU Energy", "mJ"},
                                                             {"Energy Model", "SoC Total", "mJ"},
                                                             {"Energy Model", "GPU Energy", " nJ "},
                                                             {"PMP", "DRAM", "weird"},
                                                             {"PMP", "ANE", "weird"}};
    reporter.counters = {0, 0, 0, 0, 0};
    ManualClock clock(100);
    IOReportPowerReader reader(reporter, clock);
    ASSERT_TRUE(reader.ok());
    EXPECT_EQ(reporter.subscribed, (std::vector<size_t>{0, 2, 3, 4}));
    // The CPU counter `cpu` (mJ) and the others fixed, `seconds` after the last sample.
    auto sampleAfter = [&](double seconds, std::int64_t cpu) {
        clock.advance(seconds);
        reporter.counters[0] = cpu;
        std::optional<SocPowerSample> s;
        reader.queue().sync([&] { s = reader.sample(); });
        return s;
    };
    EXPECT_FALSE(sampleAfter(0, 0));  // primes
    // 4000 mJ, 1e9 nJ, 3000 units (taken as mJ), 500 units (unknown, too small to guess)
    reporter.counters = {0, 99, 1'000'000'000, 3000, 500};
    const auto s = sampleAfter(2, 4000);
    ASSERT_TRUE(s);
    EXPECT_EQ(domainWatts(*s), std::tuple(2.0, 0.5, 0.0, 1.5));

    EXPECT_FALSE(sampleAfter(0.1, 4400));  // too soon: nothing, but a new baseline
    EXPECT_DOUBLE_EQ(sampleAfter(1, 5400)->cpuWatts, 1.0);
    EXPECT_FALSE(sampleAfter(16, 9400));           // too late
    EXPECT_FALSE(sampleAfter(1, 9400 + 600'000));  // 600 W: implausible

    reporter.failSamples = true;
    EXPECT_FALSE(sampleAfter(1, 10400));
    EXPECT_FALSE(reader.ok());
    reporter.failSamples = false;
    EXPECT_FALSE(sampleAfter(1, 11400));  // no retry
    EXPECT_TRUE(reader.failed());

    FakeReporter refusing = reporter;
    refusing.refuse = true;
    EXPECT_FALSE(IOReportPowerReader(refusing, clock).ok());
    FakeReporter nothing;
    EXPECT_FALSE(IOReportPowerReader(nothing, clock).ok());
}

TEST(PackagePower, SensorSourceTextsBoundsAndTheLoadEstimate) {
    FakeReporter reporter;
    reporter.channels = std::vector<EnergyReporter::Channel>{{"Energy Model", "CPU Energy", "J"},
                                                             {"Energy Model", "GPU Energy", "J"},
                                                             {"Energy Model", "ANE Energy", "J"},
                                                             {"Energy Model", "DRAM Energy", "J"}};
    ManualClock clock(100);
    IOReportPowerReader reader(reporter, clock);
    FixtureTree t;
    LinuxSystemInfo info = loadedMachine(t, "4.00", "0-7\n");
    PackagePower package(&reader, info);
    auto readAfter = [&](double seconds, std::vector<std::int64_t> joules) {
        clock.advance(seconds);
        reporter.counters = std::move(joules);
        return package.readPackageWattsDetailed();
    };

    const auto first = readAfter(0, {0, 0, 0, 0});  // the reader only primes
    EXPECT_EQ(first.source, "estimate");
    EXPECT_DOUBLE_EQ(first.watts, 2.2 + 18.0 * 0.5);
    EXPECT_FALSE(first.distribution);
    auto r = readAfter(10, {20, 0, 0, 3});  // 2.0 and 0.3 W
    EXPECT_EQ(r.source, "sensor (2 domains)");
    EXPECT_DOUBLE_EQ(r.watts, 2.3);
    EXPECT_TRUE(r.distribution);
    r = readAfter(1, {20 + 150, 0, 0, 3});
    EXPECT_EQ(std::tuple(r.source, r.watts), std::tuple("sensor", 120.0));

    loadedMachine(t, "24.00", "0-11\n");
    PackagePower noSensor(nullptr, info);
    EXPECT_DOUBLE_EQ(noSensor.readPackageWattsDetailed().watts, 31.5);
    loadedMachine(t, "0.50", "");  // unreadable count: one CPU
    EXPECT_DOUBLE_EQ(noSensor.readPackageWattsDetailed().watts, 2.2 + 18.0 * 0.5);
    t.remove("proc/loadavg");
    EXPECT_DOUBLE_EQ(noSensor.readPackageWattsDetailed().watts, 0.0);
}

TEST(RaplEnergyReporter, PackageUncoreAndDramZonesWithAWrappedCounter) {
    FixtureTree t;
    auto zone = [&](const std::string& dir, const char* name, const char* uj, const char* max) {
        t.writeAll(
            dir,
            {{"name", std::string(name) + "\n"}, {"energy_uj", uj}, {"max_energy_range_uj", max}});
    };
    zone("intel-rapl:0", "package-0", "262143000000\n", "262143328850\n");
    t.writeAll("intel-rapl:0:0", {{"name", "core\n"}, {"energy_uj", "100\n"}});
    zone("intel-rapl:0:1", "uncore", "5000000\n", "262143328850\n");
    zone("intel-rapl:0:2", "dram", "7000000\n", "262143328850\n");
    zone("intel-rapl:1", "psys", "1\n", "262143328850\n");
    zone("intel-rapl-mmio:0", "package-0", "1\n", "262143328850\n");

    RaplEnergyReporter rapl(t.root());
    const auto channels = rapl.copyAllChannels();
    ASSERT_TRUE(channels);
    ASSERT_EQ(channels->size(), 3u);

    ManualClock clock(100);
    IOReportPowerReader reader(rapl, clock);
    ASSERT_TRUE(reader.ok());
    std::optional<SocPowerSample> s;
    reader.queue().sync([&] { s = reader.sample(); });
    // Two seconds later: the package wrapped after 20 J, the uncore used 4 J, dram 3 J.
    t.write("intel-rapl:0/energy_uj",
            std::to_string(20'000'000 - (262143328850 - 262143000000)) + "\n");
    t.write("intel-rapl:0:1/energy_uj", "9000000\n");
    t.write("intel-rapl:0:2/energy_uj", "10000000\n");
    clock.advance(2);
    reader.queue().sync([&] { s = reader.sample(); });
    ASSERT_TRUE(s);
    // The CPU: 20 J package less 4 J uncore, over 2 s.
    EXPECT_EQ(domainWatts(*s), std::tuple(8.0, 2.0, 0.0, 1.5));
    EXPECT_EQ(s->domains, domainBit(ChannelKind::cpu) | domainBit(ChannelKind::gpu) |
                              domainBit(ChannelKind::dram));

    // Root-only counters: listed, but the subscription is refused.
    FixtureTree locked;
    locked.writeAll("intel-rapl:0", {{"name", "package-0\n"}});
    RaplEnergyReporter unreadable(locked.root());
    EXPECT_TRUE(unreadable.copyAllChannels());
    EXPECT_FALSE(IOReportPowerReader(unreadable, clock).ok());
    EXPECT_FALSE(RaplEnergyReporter(locked.root() + "/none").copyAllChannels());
}

// Discrete GPUs: amdgpu's power in µW, i915's and xe's energy counter in µJ. They read while
// RAPL stays root-only, and then measure the GPU but not the package.
TEST(RaplEnergyReporter, GpuHwmonSensorsBesideClosedRaplZones) {
    FixtureTree t;
    t.writeAll("powercap/intel-rapl:0", {{"name", "package-0\n"}});
    t.writeAll("hwmon/hwmon0", {{"name", "coretemp\n"}, {"temp1_input", "40000\n"}});
    t.writeAll("hwmon/hwmon1", {{"name", "amdgpu\n"}, {"power1_average", "6500000\n"}});
    t.writeAll("hwmon/hwmon2", {{"name", "i915\n"}, {"energy1_input", "1000000\n"}});
    t.writeAll("hwmon/hwmon3", {{"name", "amdgpu\n"}, {"power1_input", "500000\n"}});
    t.writeAll("hwmon/hwmon4", {{"name", "xe\n"}});  // no readable counter
    RaplEnergyReporter rapl(t.root() + "/powercap", t.root() + "/hwmon");
    ManualClock clock(100);
    IOReportPowerReader reader(rapl, clock);
    ASSERT_TRUE(reader.measuresGpu());
    LinuxSystemInfo info = loadedMachine(t, "0.00", "0-3\n");
    PackagePower package(&reader, info);
    EXPECT_FALSE(package.readPackageWattsDetailed().gpuWatts);  // primes
    t.write("hwmon/hwmon2/energy1_input", "9000000\n");         // 8 J in 2 s
    clock.advance(2);
    const auto r = package.readPackageWattsDetailed();
    EXPECT_EQ(std::tuple(r.source, r.watts, r.gpuWatts),
              std::tuple("estimate", 2.2, 6.5 + 4.0 + 0.5));

    FixtureTree unreadable;
    unreadable.writeAll("hwmon0", {{"name", "amdgpu\n"}});
    RaplEnergyReporter none(t.root() + "/powercap", unreadable.root());
    IOReportPowerReader noGpu(none, clock);
    EXPECT_FALSE(noGpu.measuresGpu());
    EXPECT_FALSE(PackagePower(&noGpu, info).readPackageWattsDetailed().gpuWatts);
}

TEST(LinuxSystemInfo, LoadAverageAndCoreLists) {
    FixtureTree t;
    t.write("proc/loadavg", "3.52 2.10 1.00 2/345 6789\n");
    t.write("sys/devices/system/cpu/online", "0-11\n");
    t.write("sys/devices/cpu_core/cpus", "0-3\n");
    t.write("sys/devices/cpu_atom/cpus", "4-11\n");
    LinuxSystemInfo info(t.root() + "/sys", t.root() + "/proc");
    EXPECT_EQ(std::tuple(info.loadAverage1(), info.logicalCpuCount(), info.performanceCpuCount(),
                         info.efficiencyCpuCount()),
              std::tuple(3.52, 12, 4, 8));
    PackagePower package(nullptr, info);
    EXPECT_NEAR(package.readCoreShares().p, 1.0 / 3.0, 1e-12);

    t.write("proc/loadavg", "garbage\n");
    t.write("sys/devices/system/cpu/online", "0-3,8,10-11\n");
    LinuxSystemInfo odd(t.root() + "/sys", t.root() + "/proc");
    EXPECT_EQ(std::tuple(odd.loadAverage1(), odd.logicalCpuCount()), std::tuple(std::nullopt, 7));
    LinuxSystemInfo none(t.root() + "/missing", t.root() + "/missing");
    EXPECT_FALSE(none.performanceCpuCount());
    EXPECT_DOUBLE_EQ(PackagePower(nullptr, none).readCoreShares().p, 0.0);
}
