// Speed of the drain subsystem's hot paths: a sampling pass over /proc, over 2,048 synthetic
// processes and over 300 with 10 GPU clients (aim: under 2 ms), the last-hour analysis and the
// prune of a 30-day history, one append, and the bytes the history's writer puts on disk per hour.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

#include "base/Clock.h"
#include "base/UserDefaults.h"
#include "drain/DrainLog.h"
#include "drain/DrainLogFile.h"
#include "drain/DrainRecords.h"
#include "drain/EnergySampler.h"
#include "drain/WhyDrain.h"
#include "platform/linux/ProcProcessList.h"

namespace fs = std::filesystem;
using namespace tarvel;

namespace {

constexpr double kNow = 1'772'373'600.0;  // 2026-03-01T14:00:00Z
constexpr double kDay = 86400.0;

fs::path scratch(const std::string& name) {
    const fs::path dir =
        fs::temp_directory_path() / ("tarvel-bench-" + std::to_string(::getpid())) / name;
    fs::create_directories(dir);
    return dir;
}

struct Cleanup {
    ~Cleanup() {
        fs::remove_all(fs::temp_directory_path() / ("tarvel-bench-" + std::to_string(::getpid())));
    }
} cleanup;

// A /proc-like tree of 2,048 processes, each with stat, comm and an exe link.
const fs::path& syntheticProc() {
    static const fs::path root = [] {
        const fs::path r = scratch("proc");
        for (int pid = 1000; pid < 1000 + 2048; ++pid) {
            const fs::path d = r / std::to_string(pid);
            fs::create_directories(d);
            std::ofstream(d / "stat")
                << pid << " (worker " << pid << ") S 1 1 1 0 -1 4194560 100 0 0 0 " << pid * 3
                << " " << pid << " 0 0 20 0 1 0 100 1000 10 0\n";
            std::ofstream(d / "comm") << "worker" << pid << "\n";
            fs::create_symlink("/usr/bin/worker", d / "exe");
        }
        return r;
    }();
    return root;
}

// Reads the real files, then makes every process look busy, so that every pass also reads
// names (and paths in fast mode): the most a pass can cost.
class GrowingList final : public ProcessList {
public:
    explicit GrowingList(ProcessList& inner) : inner_(inner) {}
    std::uint64_t round = 0;
    int logicalCpuCount() override { return 8; }
    std::int32_t ownPid() override { return inner_.ownPid(); }
    bool listAllPids(std::vector<std::int32_t>& pids) override {
        ++round;
        return inner_.listAllPids(pids);
    }
    std::optional<TaskTimes> taskTimes(std::int32_t pid) override {
        auto t = inner_.taskTimes(pid);
        if (t) t->totalUserNs += round * static_cast<std::uint64_t>(pid % 13 + 1) * 200'000'000ULL;
        return t;
    }
    std::optional<std::string> name(std::int32_t pid) override { return inner_.name(pid); }
    std::optional<std::string> path(std::int32_t pid) override { return inner_.path(pid); }
    std::vector<GpuClient> gpuClients(std::int32_t pid, bool ran) override {
        return gpu ? inner_.gpuClients(pid, ran) : std::vector<GpuClient>{};
    }
    bool gpu = true;

private:
    ProcessList& inner_;
};

void BM_SamplePassLiveProc(benchmark::State& state) {
    ProcProcessList list("/proc");
    EnergySampler sampler(list, kNow);
    double now = kNow;
    std::vector<std::int32_t> pids;
    list.listAllPids(pids);
    for (auto _ : state) {
        now += 20;
        benchmark::DoNotOptimize(sampler.pass(now, 10.0, state.range(0) != 0));
    }
    state.counters["processes"] = static_cast<double>(pids.size());
}
BENCHMARK(BM_SamplePassLiveProc)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SamplePassSynthetic2048(benchmark::State& state) {
    ProcProcessList files(syntheticProc().string(), 100, 8);
    GrowingList busy(files);
    ProcessList& list = state.range(1) ? static_cast<ProcessList&>(busy) : files;
    EnergySampler sampler(list, kNow);
    double now = kNow;
    for (auto _ : state) {
        now += 20;
        benchmark::DoNotOptimize(sampler.pass(now, 10.0, state.range(0) != 0));
    }
    state.counters["processes"] = static_cast<double>(sampler.trackedProcesses());
}
// Args: fast mode, every process busy.
BENCHMARK(BM_SamplePassSynthetic2048)
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond);

// 300 processes with 16 open fds each; every 30th also holds a GPU client with two engines.
const fs::path& syntheticGpuProc() {
    static const fs::path root = [] {
        const fs::path r = scratch("gpu-proc");
        for (int pid = 1000; pid < 1300; ++pid) {
            const fs::path d = r / std::to_string(pid);
            fs::create_directories(d / "fd");
            fs::create_directories(d / "fdinfo");
            std::ofstream(d / "stat") << pid << " (worker) S 1 1 1 0 -1 4194560 100 0 0 0 "
                                      << pid * 3 << " " << pid << " 0 0 20 0 1 0 100 1000 10 0\n";
            std::ofstream(d / "comm") << "worker" << pid << "\n";
            for (int fd = 0; fd < 16; ++fd)
                fs::create_symlink(fd < 3 ? "/dev/null" : "pipe:[4242]",
                                   d / "fd" / std::to_string(fd));
            if (pid % 30 != 0) continue;
            fs::create_symlink("/dev/dri/renderD128", d / "fd" / "16");
            std::ofstream(d / "fdinfo" / "16")
                << "pos:\t0\nflags:\t02100002\nmnt_id:\t24\ndrm-driver:\ti915\n"
                << "drm-client-id:\t" << pid << "\ndrm-pdev:\t0000:00:02.0\n"
                << "drm-engine-render:\t" << pid * 1000 << " ns\ndrm-engine-video:\t0 ns\n";
        }
        return r;
    }();
    return root;
}

void BM_SamplePass300With10GpuClients(benchmark::State& state) {
    ProcProcessList files(syntheticGpuProc().string(), 100, 8);
    GrowingList busy(files);
    busy.gpu = state.range(1) != 0;
    ProcessList& list = state.range(0) ? static_cast<ProcessList&>(busy) : files;
    EnergySampler sampler(list, kNow);
    double now = kNow;
    for (auto _ : state) {
        now += 20;
        benchmark::DoNotOptimize(sampler.pass(now, 10.0, false, 4.0));
    }
    state.counters["processes"] = static_cast<double>(sampler.trackedProcesses());
}
// Args: every process busy, GPU clients read (0: the CPU-only pass, to compare).
BENCHMARK(BM_SamplePass300With10GpuClients)
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond);

// `days` of history as the application writes it: a power record every 30 s, the leading
// process every 100 s and a few sleep/wake events a day.
std::string historyLog(int days) {
    std::string out;
    std::mt19937 rng(42);
    const char* names[] = {"firefox", "code", "cc1plus", "pipewire", "gnome-shell", "Xwayland"};
    const double start = kNow - days * kDay + 1;
    for (double t = start; t <= kNow; t += 30) {
        const int level = 100 - static_cast<int>((t - start) / 600) % 90;
        out += *powerRecordLine(t, level, 3.5 + rng() % 100 / 10.0, 7.25 + rng() % 50 / 10.0, false,
                                names[rng() % 6], 12.5 + rng() % 400 / 10.0);
        if (static_cast<long long>(t - start) % 100 < 30)
            out += *processRecordLine(t, names[rng() % 6], 20.0 + rng() % 300 / 10.0,
                                      45.5 + rng() % 900 / 10.0);
        if (static_cast<long long>(t - start) % 21600 < 30)
            out += *eventRecordLine(t, "display_sleep");
        if (static_cast<long long>(t - start) % 21600 < 30)
            out += *eventRecordLine(t + 5, "display_wake");
    }
    return out;
}

const std::string& monthLog() {
    static const std::string text = historyLog(30);
    return text;
}

// The last-hour answer from a history file of state.range(0) days, as `tarvelctl why` and the
// views ask it: read from the end back to the window.
void BM_WhyLastHour(benchmark::State& state) {
    const std::string text = historyLog(static_cast<int>(state.range(0)));
    const fs::path file = scratch("why") / ("drain-" + std::to_string(state.range(0)) + ".jsonl");
    std::ofstream(file, std::ios::binary) << text;
    for (auto _ : state) benchmark::DoNotOptimize(whyDrainFromFile(file.string(), kNow));
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
    state.counters["lines"] = static_cast<double>(std::count(text.begin(), text.end(), '\n'));
}
BENCHMARK(BM_WhyLastHour)->Arg(1)->Arg(30)->Unit(benchmark::kMillisecond);

// The same answer from the whole file read and scanned, for comparison.
void BM_WhyLastHourWholeFile(benchmark::State& state) {
    const std::string text = historyLog(static_cast<int>(state.range(0)));
    const fs::path file = scratch("why") / ("whole-" + std::to_string(state.range(0)) + ".jsonl");
    std::ofstream(file, std::ios::binary) << text;
    for (auto _ : state)
        benchmark::DoNotOptimize(analyzeWhyDrain(drain_file::readLog(file.string()).text, kNow));
}
BENCHMARK(BM_WhyLastHourWholeFile)->Arg(1)->Arg(30)->Unit(benchmark::kMillisecond);

// The prune the 1-in-30 draw runs: retention 30 days over 30 days plus an hour, so the
// oldest hour goes and the rest is checked and rewritten.
void BM_Prune30Days(benchmark::State& state) {
    const fs::path dir = scratch("prune");
    const fs::path file = dir / "drain.jsonl";
    std::string text = monthLog();
    std::string older;
    for (double t = kNow - 30 * kDay - 3600; t < kNow - 30 * kDay; t += 30)
        older += *eventRecordLine(t, "display_wake");
    text = older + text;
    for (auto _ : state) {
        state.PauseTiming();
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        state.ResumeTiming();
        drain_file::prunePass(file.string(), kNow - 30 * kDay);
    }
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(BM_Prune30Days)->Unit(benchmark::kMillisecond);

// What the writer puts on disk per hour once a 30-day history is full: the application's
// records (power every 30 s, the leading process every 25 s) through a log with 30 days'
// retention, its 1-in-30 prune draw included, over state.range(0) hours. Bytes are counted
// as they pass the file layer's write call (appends and rewrites alike).
void BM_HistoryWritesPerHour(benchmark::State& state) {
    const int hours = static_cast<int>(state.range(0));
    const fs::path dir = scratch("hourly");
    const fs::path file = dir / "drain.jsonl";
    double written = 0;
    double rewrites = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::ofstream(file, std::ios::binary | std::ios::trunc) << monthLog();
        ManualClock clock(kNow);
        UserDefaults defaults((dir / "defaults.json").string());
        defaults.setInteger(DrainLog::kRetentionKey, 30);
        auto engine = std::make_shared<std::mt19937>(7);
        DrainLog log(clock, defaults, dir.string(),
                     [engine] { return std::uniform_int_distribution<int>(0, 29)(*engine); });
        auto bytes = std::make_shared<double>(0);
        auto fsyncs = std::make_shared<double>(0);
        drain_file::FileCalls counting;
        counting.write = [bytes](int fd, const char* data, std::size_t size) -> long {
            const long n = ::write(fd, data, size);
            if (n > 0) *bytes += static_cast<double>(n);
            return n;
        };
        counting.fsync = [fsyncs](int fd) {
            *fsyncs += 1;
            return ::fsync(fd);
        };
        log.setFileCalls(counting);
        state.ResumeTiming();
        for (int s = 1; s <= hours * 3600; ++s) {
            clock.advance(1);
            if (s % 30 == 0) log.recordPower(80, 4.5, 7.25, false);
            if (s % 25 == 0) log.recordTopProcess("firefox", 31.5, 45.5);
        }
        log.waitForPendingWork();
        written += *bytes;
        rewrites += *fsyncs / 2;  // the temporary and its folder
    }
    state.counters["MB_per_hour"] =
        benchmark::Counter(written / 1e6 / hours, benchmark::Counter::kAvgIterations);
    state.counters["rewrites_per_hour"] =
        benchmark::Counter(rewrites / hours, benchmark::Counter::kAvgIterations);
    state.counters["history_MB"] = static_cast<double>(monthLog().size()) / 1e6;
}
BENCHMARK(BM_HistoryWritesPerHour)->Arg(240)->Iterations(1)->Unit(benchmark::kSecond);

void BM_AppendFile(benchmark::State& state) {
    const fs::path file = scratch("append") / "drain.jsonl";
    const std::string line = *powerRecordLine(kNow, 80, 4.5, 7.25, false, "firefox", 31.5);
    for (auto _ : state) drain_file::appendBytes(file.string(), line);
}
BENCHMARK(BM_AppendFile)->Unit(benchmark::kMicrosecond);

// The whole record path: serialise on the caller's thread, append on the log's queue.
void BM_RecordPowerThroughQueue(benchmark::State& state) {
    const fs::path dir = scratch("record");
    ManualClock clock(kNow);
    UserDefaults defaults((dir / "defaults.json").string());
    DrainLog log(clock, defaults, dir.string(), [] { return 1; });
    for (auto _ : state) {
        log.recordPower(80, 4.5, 7.25, false);
        log.waitForPendingWork();
    }
}
BENCHMARK(BM_RecordPowerThroughQueue)->Unit(benchmark::kMicrosecond);

}  // namespace

namespace {
// The in-memory part of the prune: which lines stay.
void BM_PruneText30Days(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(drain_file::pruneText(monthLog(), kNow - 30 * kDay + 3600));
}
BENCHMARK(BM_PruneText30Days)->Unit(benchmark::kMillisecond);
}  // namespace
BENCHMARK_MAIN();
