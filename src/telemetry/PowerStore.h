#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "base/PollTimer.h"
#include "base/SerialQueue.h"
#include "telemetry/BatteryModel.h"
#include "telemetry/BatterySmoother.h"
#include "telemetry/PackagePower.h"
#include "telemetry/PackageSmoother.h"
#include "telemetry/WattHistory.h"

namespace tarvel {

class BatteryServices;
class CommandRunner;
class LowPowerMode;
class PowerRecorder;
class DrainEvaluator;

// What the power store reads the machine through and reports to. The store owns none of the
// pointed-to objects (they must outlive it) but the timer.
struct PowerStoreEnvironment {
    Clock* clock = nullptr;  // null: the system clock
    BatteryServices* batteryServices = nullptr;
    CommandRunner* commandRunner = nullptr;
    PackagePower* packagePower = nullptr;
    LowPowerMode* lowPowerMode = nullptr;  // null: never in Low Power Mode
    PowerRecorder* recorder = nullptr;     // null: no drain history
    DrainEvaluator* evaluator = nullptr;   // null: no fast-drain alerts
    std::shared_ptr<PollTimer> timer;      // null: a QTimer
};

// Poll periods, seconds.
inline constexpr double kPowerPollUI = 2.0;
inline constexpr double kPowerPollACIdle = 10.0;
inline constexpr double kPowerPollOnBattery = 3.0;
inline constexpr double kPowerPollIdle = 4.0;
inline constexpr double kPowerPollOnBatteryLowPower = 8.0;
inline constexpr double kPowerPollIdleLowPower = 12.0;
inline constexpr double kBatteryShellCrossCheck = 45.0;

// The single source of battery and power truth: polls the battery and the package power, and
// publishes their smoothed, display-ready values on the main thread.
class PowerStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool batteryPresent READ batteryPresent NOTIFY batteryPresentChanged)
    Q_PROPERTY(int levelPercent READ levelPercent NOTIFY levelPercentChanged)
    Q_PROPERTY(bool levelKnown READ levelKnown NOTIFY levelKnownChanged)
    Q_PROPERTY(bool isCharging READ isCharging NOTIFY isChargingChanged)
    Q_PROPERTY(bool isOnAC READ isOnAC NOTIFY isOnACChanged)
    Q_PROPERTY(double chargeWatts READ chargeWatts NOTIFY chargeWattsChanged)
    Q_PROPERTY(
        std::string batterySourcesUsed READ batterySourcesUsed NOTIFY batterySourcesUsedChanged)
    Q_PROPERTY(
        std::string timeEstimateSource READ timeEstimateSource NOTIFY timeEstimateSourceChanged)
    Q_PROPERTY(std::optional<std::int64_t> cycleCount READ cycleCount NOTIFY cycleCountChanged)
    Q_PROPERTY(
        std::optional<std::int64_t> healthPercent READ healthPercent NOTIFY healthPercentChanged)
    Q_PROPERTY(std::optional<std::int64_t> capacityRaw READ capacityRaw NOTIFY capacityRawChanged)
    Q_PROPERTY(
        std::optional<std::int64_t> designCapacity READ designCapacity NOTIFY designCapacityChanged)
    Q_PROPERTY(std::string timeText READ timeText NOTIFY timeTextChanged)
    Q_PROPERTY(std::string statusText READ statusText NOTIFY statusTextChanged)
    Q_PROPERTY(std::optional<std::int64_t> remainingMinutes READ remainingMinutes NOTIFY
                   remainingMinutesChanged)
    Q_PROPERTY(
        bool minutesIsLiveEstimate READ minutesIsLiveEstimate NOTIFY minutesIsLiveEstimateChanged)
    Q_PROPERTY(double packageWatts READ packageWatts NOTIFY packageWattsChanged)
    Q_PROPERTY(std::string packageSource READ packageSource NOTIFY packageSourceChanged)
    Q_PROPERTY(double cpuDomainWatts READ cpuDomainWatts NOTIFY cpuDomainWattsChanged)
    Q_PROPERTY(double gpuDomainWatts READ gpuDomainWatts NOTIFY gpuDomainWattsChanged)
    Q_PROPERTY(double aneDomainWatts READ aneDomainWatts NOTIFY aneDomainWattsChanged)
    Q_PROPERTY(double dramDomainWatts READ dramDomainWatts NOTIFY dramDomainWattsChanged)
    Q_PROPERTY(double otherDomainWatts READ otherDomainWatts NOTIFY otherDomainWattsChanged)
    Q_PROPERTY(
        bool hasPowerDistribution READ hasPowerDistribution NOTIFY hasPowerDistributionChanged)
    Q_PROPERTY(double pCoreShare READ pCoreShare NOTIFY pCoreShareChanged)
    Q_PROPERTY(double eCoreShare READ eCoreShare NOTIFY eCoreShareChanged)
    Q_PROPERTY(std::vector<double> wattHistory READ wattHistory NOTIFY wattHistoryChanged)
    Q_PROPERTY(
        std::vector<double> wattHistorySpark READ wattHistorySpark NOTIFY wattHistorySparkChanged)

public:
    using BatSnap = tarvel::BatSnap;
    using BatSourceReading = tarvel::BatSourceReading;

    // A store that only applies what it is given (no polling sources): replays and tests.
    explicit PowerStore(Clock& clock = Clock::system(), QObject* parent = nullptr);
    // A store that polls through `environment`; every reader must be set.
    explicit PowerStore(PowerStoreEnvironment environment, QObject* parent = nullptr);
    ~PowerStore() override;

    // The running application core's store.
    static PowerStore& shared();
    // Where each applied poll reports: the drain history and the fast-drain monitor.
    void setObservers(PowerRecorder* recorder, DrainEvaluator* evaluator);

    // Starts the poll timer at the current cadence and polls once at once.
    void start();
    // One poll: battery and package reads on the work queue, applied on the main thread. A poll
    // while one is in flight does nothing.
    void poll();
    double currentInterval() const;
    void restartTimer(double interval);
    // The popover is shown: poll fast and publish the history every poll. Restarts the timer.
    void setFastMode(bool on);
    bool fastMode() const { return fastMode_.load(); }
    bool pollInFlight() const { return pollInFlight_; }
    std::int64_t pollGeneration() const { return pollGeneration_; }
    // The running timer's period in seconds, 0 when stopped.
    double pollInterval() const;

    // Reads every battery source once and merges them (blocking: runs the command-line tools
    // on cross-check polls). Safe on any thread.
    static BatSnap readBattery(bool includeShellCrossCheck, BatteryServices& services,
                               CommandRunner& runner);
    static BatSnap readBattery(BatteryServices& services, CommandRunner& runner) {
        return readBattery(true, services, runner);
    }

    // Turns one snapshot into the published battery state and its texts.
    void applyBattery(const BatSnap& snap);
    // Display or system sleep (wake false) and wake (wake true).
    void notePowerTransition(bool wake);

    // Every published battery field at once.
    const BatteryState& batteryState() const { return battery_; }
    bool batteryPresent() const { return battery_.batteryPresent; }
    int levelPercent() const { return battery_.levelPercent; }
    // Whether a level could be read; while it cannot, levelPercent is 0 and means nothing.
    bool levelKnown() const { return battery_.levelKnown; }
    std::optional<int> level() const {
        return battery_.levelKnown ? std::optional<int>(battery_.levelPercent) : std::nullopt;
    }
    bool isCharging() const { return battery_.isCharging; }
    bool isOnAC() const { return battery_.isOnAC; }
    double chargeWatts() const { return battery_.chargeWatts; }
    const std::string& batterySourcesUsed() const { return battery_.batterySourcesUsed; }
    const std::string& timeEstimateSource() const { return battery_.timeEstimateSource; }
    std::optional<std::int64_t> cycleCount() const { return battery_.cycleCount; }
    std::optional<std::int64_t> healthPercent() const { return battery_.healthPercent; }
    std::optional<std::int64_t> capacityRaw() const { return battery_.capacityRaw; }
    std::optional<std::int64_t> designCapacity() const { return battery_.designCapacity; }
    const std::string& timeText() const { return battery_.timeText; }
    const std::string& statusText() const { return battery_.statusText; }
    std::optional<std::int64_t> remainingMinutes() const { return battery_.remainingMinutes; }
    bool minutesIsLiveEstimate() const { return battery_.minutesIsLiveEstimate; }
    // The smoothed battery current behind chargeWatts (diagnostics); absent when unknown.
    std::optional<double> smoothedAmperageMA() const {
        return batterySmoother_.state().smoothedAmperageMA;
    }
    double packageWatts() const { return package_.packageWatts; }
    const std::string& packageSource() const { return package_.packageSource; }
    double cpuDomainWatts() const { return package_.cpuDomainWatts; }
    double gpuDomainWatts() const { return package_.gpuDomainWatts; }
    // The measured GPU power (change signal: gpuDomainWattsChanged); absent without a sensor.
    std::optional<double> gpuWatts() const { return gpuWatts_; }
    double aneDomainWatts() const { return package_.aneDomainWatts; }
    double dramDomainWatts() const { return package_.dramDomainWatts; }
    double otherDomainWatts() const { return package_.otherDomainWatts; }
    bool hasPowerDistribution() const { return package_.hasPowerDistribution; }
    // The measured domains, announced with hasPowerDistributionChanged.
    unsigned powerDomains() const { return package_.powerDomains; }
    double pCoreShare() const { return pCoreShare_; }
    double eCoreShare() const { return eCoreShare_; }
    const std::vector<double>& wattHistory() const { return wattHistory_; }
    const std::vector<double>& wattHistorySpark() const { return wattHistorySpark_; }

signals:
    void batteryPresentChanged();
    void levelPercentChanged();
    void levelKnownChanged();
    void isChargingChanged();
    void isOnACChanged();
    void chargeWattsChanged();
    void batterySourcesUsedChanged();
    void timeEstimateSourceChanged();
    void cycleCountChanged();
    void healthPercentChanged();
    void capacityRawChanged();
    void designCapacityChanged();
    void timeTextChanged();
    void statusTextChanged();
    void remainingMinutesChanged();
    void minutesIsLiveEstimateChanged();
    void packageWattsChanged();
    void packageSourceChanged();
    void cpuDomainWattsChanged();
    void gpuDomainWattsChanged();
    void aneDomainWattsChanged();
    void dramDomainWattsChanged();
    void otherDomainWattsChanged();
    void hasPowerDistributionChanged();
    void pCoreShareChanged();
    void eCoreShareChanged();
    void wattHistoryChanged();
    void wattHistorySparkChanged();
    // A poll's results have been applied.
    void pollApplied();

private:
    // What one poll read on the work queue, handed back to the main thread in one piece.
    struct PollResult {
        BatSnap snap;
        PackageReading package;
        CoreShares cores;
        bool coreSharesRead = false;
    };

    void applyPoll(const PollResult& result);
    // On the work queue: reads every source due at `now` and posts the result to the main thread.
    void readAndPost(double now, bool fast);
    void applyPackage(const PackageReading& reading);
    void recordHistory(double now);
    void lowPowerModeChanged();

    Clock& clock_;
    PowerStoreEnvironment env_;
    std::shared_ptr<PollTimer> timer_;

    BatterySmoother batterySmoother_;
    PackageSmoother packageSmoother_;
    WattHistory history_;

    // Published state (the smoothed current is read from the smoother: it is not published).
    BatteryState battery_;
    PackageState package_;
    std::optional<double> gpuWatts_;
    double pCoreShare_ = 0, eCoreShare_ = 0;
    std::vector<double> wattHistory_, wattHistorySpark_;

    // Polling. The timer ticks on the work queue, or on the main thread in tests.
    std::atomic<bool> fastMode_{false};
    bool pollInFlight_ = false;
    std::int64_t pollGeneration_ = 0;
    // Owned by the work queue: when the slow sources were last read.
    double lastShellCrossCheck_ = 0;
    double lastCoreShareRead_ = 0;
    double lastPublishedSpark_ = 0;
    double lastDrainLog_ = 0;

    // Cleared first on destruction, so queued reads no longer touch the environment.
    std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
    // Last: destroyed (and drained) before anything the queued reads use.
    std::unique_ptr<SerialQueue> workQ_;
};

}  // namespace tarvel
