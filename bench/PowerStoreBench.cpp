// What one poll and one energy sample cost: the budget is well under 1 ms of CPU per poll.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "platform/linux/LinuxSystemInfo.h"
#include "platform/linux/ProcessCommandRunner.h"
#include "platform/linux/RaplEnergyReporter.h"
#include "platform/linux/SysfsBatteryServices.h"
#include "support/PowerSupplyFixtures.h"
#include "telemetry/IOReportPowerReader.h"
#include "telemetry/PowerStore.h"

using namespace tarvel;

namespace {

void writeRapl(const test::FixtureTree& t) {
    for (auto [zone, name] : {std::pair{"intel-rapl:0", "package-0"},
                              {"intel-rapl:0:0", "core"},
                              {"intel-rapl:0:1", "uncore"},
                              {"intel-rapl:0:2", "dram"}})
        t.writeAll(std::string("powercap/") + zone, {{"name", std::string(name) + "\n"},
                                                     {"max_energy_range_uj", "262143328850\n"},
                                                     {"energy_uj", "1000000\n"}});
}

// Readers on a sysfs tree, the merge and the smoothing, on the calling thread.
void BM_BatteryReadMergeApply(benchmark::State& state) {
    test::FixtureTree t;
    test::chargingLaptop(t);
    SysfsBatteryServices services(t.root());
    ProcessCommandRunner commands;
    PowerStore store;
    for (auto _ : state) {
        store.applyBattery(PowerStore::readBattery(false, services, commands));
        benchmark::DoNotOptimize(store.statusText());
    }
}
BENCHMARK(BM_BatteryReadMergeApply);

// A whole poll as the application runs it: work-queue reads (battery, package power with the
// energy reader), the hop back, and the apply.
void BM_CompletePoll(benchmark::State& state) {
    test::FixtureTree t;
    test::chargingLaptop(t);
    writeRapl(t);
    SysfsBatteryServices services(t.root());
    RaplEnergyReporter rapl(t.root() + "/powercap");
    IOReportPowerReader reader(rapl, Clock::system());
    LinuxSystemInfo info;
    PackagePower package(&reader, info);
    PowerStoreEnvironment env;
    env.batteryServices = &services;
    ProcessCommandRunner commands;
    env.commandRunner = &commands;
    env.packagePower = &package;
    PowerStore store(std::move(env));
    for (auto _ : state) {
        const auto before = store.pollGeneration();
        store.poll();
        while (store.pollGeneration() == before || store.pollInFlight())
            QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}
BENCHMARK(BM_CompletePoll)->MeasureProcessCPUTime()->UseRealTime();

void BM_EnergySample(benchmark::State& state) {
    test::FixtureTree t;
    writeRapl(t);
    RaplEnergyReporter rapl(t.root() + "/powercap");
    ManualClock clock;
    IOReportPowerReader reader(rapl, clock);
    for (auto _ : state) {
        clock.advance(2);
        std::optional<SocPowerSample> s;
        reader.queue().sync([&] { s = reader.sample(); });
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_EnergySample)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
