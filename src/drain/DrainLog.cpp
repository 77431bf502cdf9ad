#include "drain/DrainLog.h"

#include <QFile>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <random>
#include <utility>

#include "base/Published.h"
#include "base/Rounding.h"
#include "base/SharedInstance.h"
#include "drain/DrainRecords.h"
#include "platform/FileLock.h"

namespace tarvel {

namespace {

constexpr double kDaySeconds = 86400.0;
constexpr int kPruneOneIn = 30;
// How far past the retention the oldest record may be before a prune after an append rewrites
// the file: a thirtieth of the retention, at least an hour. A file that grows with the retention
// is then rewritten as much less often, so the bytes written an hour stay the same whatever the
// retention, instead of a whole rewrite at every draw once the history is full.
double rewriteSlackSeconds(int retentionDays) {
    return std::max(3600.0, retentionDays * kDaySeconds / 30.0);
}

int storedRetention(const UserDefaults& defaults) {
    const auto stored = defaults.integer(DrainLog::kRetentionKey);
    if (!stored || *stored <= 0) return DrainLog::kDefaultRetentionDays;
    return static_cast<int>(std::min<std::int64_t>(*stored, DrainLog::kMaxRetentionDays));
}

DrainLog::RandomSource defaultRandom() {
    auto engine = std::make_shared<std::mt19937>(std::random_device{}());
    return [engine] { return std::uniform_int_distribution<int>(0, kPruneOneIn - 1)(*engine); };
}

}  // namespace

DrainLog::DrainLog(Clock& clock, UserDefaults& defaults, std::string supportDir,
                   RandomSource random, QObject* parent)
    : QObject(parent),
      clock_(clock),
      defaults_(defaults),
      supportDir_(std::move(supportDir)),
      filePath_(supportDir_ + "/" + kFileName),
      lockPath_(supportDir_ + "/" + kLockFileName),
      retentionDays_(storedRetention(defaults)),
      clearedBefore_(defaults.date(kClearedBeforeKey)),
      random_(random ? std::move(random) : defaultRandom()),
      notice_([](const std::string& text) { std::cerr << text << std::endl; }) {
    connect(&defaults_, &UserDefaults::changed, this, &DrainLog::followSetting);
}

DrainLog::~DrainLog() = default;

DrainLog& DrainLog::shared() {
    return SharedInstance<DrainLog>::get("DrainLog");
}

void DrainLog::followSetting(const std::string& key) {
    if (key == kRetentionKey) {
        if (publish(this, retentionDays_, storedRetention(defaults_),
                    &DrainLog::retentionDaysChanged))
            prune();
    } else if (key == kClearedBeforeKey) {
        const auto cleared = defaults_.date(kClearedBeforeKey);
        if (cleared == clearedBefore_) return;
        clearedBefore_ = cleared;
        prune();
    }
}

double DrainLog::cutoff(double now) const {
    const double byRetention = now - retentionDays_ * kDaySeconds;
    return clearedBefore_ ? std::max(byRetention, *clearedBefore_) : byRetention;
}

void DrainLog::recordPower(std::optional<int> level, double packageW, double chargeW,
                           bool charging) {
    // The top process is taken now, on the caller's thread, rather than read later from the
    // queue while the main thread may be changing it.
    const double now = clock_.now();
    enqueueLine(powerRecordLine(now, level, packageW, chargeW, charging, lastTopName_,
                                lastTopScore_, lastTopGpuScore_),
                now);
}

void DrainLog::recordTopProcess(const std::string& name, double score, double cpu,
                                double gpuScore) {
    lastTopName_ = name;
    lastTopScore_ = score;
    lastTopGpuScore_ = gpuScore;
    const double now = clock_.now();
    enqueueLine(processRecordLine(now, name, score, cpu, gpuScore), now);
}

void DrainLog::recordEvent(const std::string& name) {
    const double now = clock_.now();
    enqueueLine(eventRecordLine(now, name), now);
}

void DrainLog::enqueueLine(std::optional<std::string> line, double now) {
    if (!line) return;
    queue_.async([this, bytes = std::move(*line), cutoff = cutoff(now), cleared = clearedBefore_,
                  slack = rewriteSlackSeconds(retentionDays_)] {
        if (!ensureWriter(cleared)) return;
        const auto appended = drain_file::appendBytes(filePath_, bytes, fileCalls_);
        if (!appended.appended) {
            appendProblem_ = appended.problem;
            sayOnce(appendProblem_, "tarvel: cannot add to the battery history (" + appendProblem_ +
                                        "); records are dropped until it works again.");
            return;
        }
        // Once appends work again, the next failure is news.
        said_.erase(std::exchange(appendProblem_, {}));
        if (random_() == 0 && drain_file::firstLineDropped(filePath_, cutoff - slack))
            reportPrune(drain_file::prunePass(filePath_, cutoff, beforeReplace_, fileCalls_));
    });
}

void DrainLog::setRetention(int days) {
    const int clamped = clampTo(days, kMinRetentionDays, kMaxRetentionDays);
    publish(this, retentionDays_, clamped, &DrainLog::retentionDaysChanged);
    defaults_.setInteger(kRetentionKey, clamped);
    prune();
}

void DrainLog::prune() {
    schedulePrune(clock_.now());
}

void DrainLog::schedulePrune(double now) {
    queue_.async([this, cutoff = cutoff(now), cleared = clearedBefore_] {
        if (!ensureWriter(cleared)) return;
        reportPrune(drain_file::prunePass(filePath_, cutoff, beforeReplace_, fileCalls_));
    });
}

void DrainLog::clearAll() {
    // Records carry whole seconds: a record of this very second may stay, but none written
    // after the clear can go.
    const double now = std::floor(clock_.now());
    clearedBefore_ = now;
    defaults_.setDate(kClearedBeforeKey, now);
    queue_.async([this, cleared = clearedBefore_] {
        if (!ensureWriter(cleared)) return;
        QFile::remove(QString::fromStdString(filePath_));
    });
}

DrainLog::WhyDrain DrainLog::whyLastHour() const {
    return whyDrainFromFile(filePath_, clock_.now());
}

bool DrainLog::ensureWriter(std::optional<double> clearedBefore) {
    if (lock_) return true;
    if (const std::string problem = prepareFolder(); !problem.empty()) {
        sayOnce(problem, "tarvel: " + problem + "; this process keeps no battery history.");
        return false;
    }
    FileLock::Failure failure;
    int error = 0;
    lock_ = FileLock::tryAcquire(lockPath_, &failure, &error);
    if (lock_) {
        said_.clear();
        // A replace killed before its rename leaves a temporary as large as the log.
        drain_file::removeStaleTemporaries(filePath_);
        if (clearedBefore)
            reportPrune(
                drain_file::prunePass(filePath_, *clearedBefore, beforeReplace_, fileCalls_));
        return true;
    }
    // Without the lock there is no telling whether another process writes: leave the file alone.
    if (failure == FileLock::Failure::Busy)
        sayOnce(lockPath_, writerBusyNotice());
    else
        sayOnce(lockPath_, "tarvel: cannot open the history's lock file " + lockPath_ + " (" +
                               std::strerror(error) + "); this process keeps no battery history.");
    return false;
}

std::string DrainLog::prepareFolder() const {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path folder(supportDir_);
    if (fs::is_directory(folder, ec)) return {};
    if (fs::exists(folder, ec))
        return "the data folder " + supportDir_ + " is a file, not a folder";
    fs::create_directories(folder, ec);
    if (ec) return "cannot create the data folder " + supportDir_ + " (" + ec.message() + ")";
    return {};
}

void DrainLog::sayOnce(const std::string& problem, const std::string& text) {
    if (!said_.insert(problem).second) return;
    if (notice_) notice_(text);
}

void DrainLog::reportPrune(const std::string& problem) {
    if (!problem.empty())
        sayOnce(problem, "tarvel: cannot rewrite the battery history (" + problem + ").");
}

bool DrainLog::acquireWriterLock() {
    bool writer = false;
    queue_.sync([&, cleared = clearedBefore_] { writer = ensureWriter(cleared); });
    return writer;
}

void DrainLog::claimWriterLock() {
    queue_.async([this, cleared = clearedBefore_] { ensureWriter(cleared); });
}

void DrainLog::releaseWriterLock() {
    queue_.sync([&] { lock_.reset(); });
}

void DrainLog::setNoticeHandler(NoticeHandler handler) {
    queue_.sync([&] { notice_ = std::move(handler); });
}

std::string DrainLog::writerBusyNotice() const {
    return "tarvel: another Tarvel process is writing the battery history in " + supportDir_ +
           "; this one will leave it alone while that one runs.";
}

void DrainLog::waitForPendingWork() {
    queue_.sync([] {});
}

void DrainLog::setBeforeReplaceHook(drain_file::BeforeReplace hook) {
    queue_.sync([&] { beforeReplace_ = std::move(hook); });
}

void DrainLog::setFileCalls(drain_file::FileCalls calls) {
    queue_.sync([&] { fileCalls_ = std::move(calls); });
}

}  // namespace tarvel
