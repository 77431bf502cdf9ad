#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "base/Clock.h"
#include "base/SerialQueue.h"
#include "base/UserDefaults.h"
#include "drain/DrainLogFile.h"
#include "drain/WhyDrain.h"
#include "telemetry/PowerObservers.h"

namespace tarvel {

class FileLock;

// The local history of battery level, power and energy culprits: one JSON object per line in
// <support folder>/drain.jsonl, trimmed to the chosen number of days.
//
// Trimming rewrites the whole file, so the prune drawn after an append rewrites only once the
// oldest record is a thirtieth of the retention (at least an hour) past it, or a line is
// malformed: the file may hold that much more than the retention, and readers filter by
// cutoff(). A retention change, a clear and prune() rewrite at once.
//
// Every file operation runs in order on the "tarvelpro.drainlog" queue. Only one process on
// the machine writes the file: the holder of the advisory lock "drain.lock" beside it. A log
// that cannot take the lock (another process holds it, or the lock file cannot be opened)
// leaves the file alone (its records are dropped) and says so once; it tries again at each
// write, so it takes over when the other writer quits. Each other trouble (no data folder, a
// write that fails) is said once as well.
//
// Retention and clearing work whichever process writes: both are settings, followed live by
// the writer. A clear stores the moment it was asked for; the writer drops every record from
// before it (at once, or as soon as a process becomes the writer), so a clear asked for in
// one process while another writes still takes effect, and records written after it stay.
class DrainLog : public QObject, public PowerRecorder {
    Q_OBJECT
    Q_PROPERTY(int retentionDays READ retentionDays NOTIFY retentionDaysChanged)

public:
    using WhyDrain = tarvel::WhyDrain;

    static constexpr const char* kRetentionKey = "tarvelpro.retentionDays";
    // When the history was last cleared: no record from before it is kept.
    static constexpr const char* kClearedBeforeKey = "tarvelpro.drainLog.clearedBefore";
    static constexpr int kDefaultRetentionDays = 14;
    static constexpr int kMinRetentionDays = 1;
    static constexpr int kMaxRetentionDays = 30;
    static constexpr const char* kFileName = "drain.jsonl";
    static constexpr const char* kLockFileName = "drain.lock";

    // Where the one-time notices go (another writer, a file that cannot be written; default:
    // one line on stderr).
    using NoticeHandler = std::function<void(const std::string&)>;
    // Returns a uniform integer in 0…29; the default is a seeded Mersenne Twister.
    using RandomSource = std::function<int()>;

    DrainLog(Clock& clock, UserDefaults& defaults, std::string supportDir, RandomSource random = {},
             QObject* parent = nullptr);
    ~DrainLog() override;

    // The running application core's log.
    static DrainLog& shared();

    const std::string& fileURL() const { return filePath_; }
    const std::string& supportDir() const { return supportDir_; }
    int retentionDays() const { return retentionDays_; }

    // Record operations return at once; the write happens on the queue.
    void recordPower(std::optional<int> level, double packageW, double chargeW,
                     bool charging) override;
    // `gpuScore`: the part of `score` that came from the GPU.
    void recordTopProcess(const std::string& name, double score, double cpu, double gpuScore = 0);
    void recordEvent(const std::string& name);

    // Clamps to 1…30, publishes, stores, then prunes.
    void setRetention(int days);
    void prune();
    // Empties the history: deletes the file when this process may write it, and in any case
    // asks the writer (through the settings) to drop everything recorded until now.
    void clearAll();
    // The earliest time a record may have to be kept: retention and the last clear.
    double cutoff(double now) const;

    // The last-hour analysis of the file as it is now; reads the file directly, off the queue.
    WhyDrain whyLastHour() const;

    // Takes the writer lock now (waiting for queued work) and says whether this process is the
    // history's writer. Other processes' logs leave the file alone while this one holds it.
    bool acquireWriterLock();
    // The same without waiting: the lock is taken (or the other writer named) on the queue.
    void claimWriterLock();
    // Gives the lock up; the next write tries to take it again.
    void releaseWriterLock();
    void setNoticeHandler(NoticeHandler handler);
    // The text said once when another process holds the lock.
    std::string writerBusyNotice() const;

    // Waits until everything queued so far has run.
    void waitForPendingWork();

    // Stops the next prune between writing its temporary file and replacing the log.
    void setBeforeReplaceHook(drain_file::BeforeReplace hook);
    // Replaces the system calls that change the file (for tests).
    void setFileCalls(drain_file::FileCalls calls);

signals:
    void retentionDaysChanged();

private:
    void enqueueLine(std::optional<std::string> line, double now);
    void schedulePrune(double now);
    void followSetting(const std::string& key);
    // On the queue: holds the lock, or says once that someone else does. On taking the lock it
    // first drops what a clear asked for while another process wrote.
    bool ensureWriter(std::optional<double> clearedBefore);
    // Makes the data folder when missing; otherwise what is wrong with it.
    std::string prepareFolder() const;
    // Says `text` unless the same problem was said already.
    void sayOnce(const std::string& problem, const std::string& text);
    void reportPrune(const std::string& problem);

    Clock& clock_;
    UserDefaults& defaults_;
    std::string supportDir_;
    std::string filePath_;
    std::string lockPath_;
    int retentionDays_;
    std::optional<double> clearedBefore_;
    std::string lastTopName_;
    double lastTopScore_ = 0;
    double lastTopGpuScore_ = 0;
    RandomSource random_;

    // Touched only on the queue.
    std::unique_ptr<FileLock> lock_;
    std::set<std::string> said_;  // the problems said so far
    std::string appendProblem_;
    NoticeHandler notice_;
    drain_file::BeforeReplace beforeReplace_;
    drain_file::FileCalls fileCalls_;

    SerialQueue queue_{"tarvelpro.drainlog"};  // last: stops (running what is queued) first
};

}  // namespace tarvel
