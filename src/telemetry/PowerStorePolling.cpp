// The poll loop: cadence, the background reads, and publishing what each poll found.
#include <algorithm>
#include <cmath>
#include <optional>

#include "base/MainThread.h"
#include "base/Published.h"
#include "platform/LowPowerMode.h"
#include "telemetry/PowerObservers.h"
#include "telemetry/PowerStore.h"

namespace tarvel {

namespace {
constexpr double kCoreShareEvery = 30.0;
constexpr double kSparkEvery = 12.0;
constexpr double kDrainLogEvery = 30.0;
}  // namespace

void PowerStore::start() {
    restartTimer(currentInterval());
    poll();
}

double PowerStore::currentInterval() const {
    const bool lowPower = env_.lowPowerMode && env_.lowPowerMode->isLowPowerModeEnabled();
    if (fastMode_) return kPowerPollUI;
    if (batteryPresent() && isOnAC() && !isCharging() && levelPercent() > 99)
        return kPowerPollACIdle;
    if (batteryPresent() && !isOnAC())
        return lowPower ? kPowerPollOnBatteryLowPower : kPowerPollOnBattery;
    return lowPower ? kPowerPollIdleLowPower : kPowerPollIdle;
}

void PowerStore::restartTimer(double interval) {
    if (!timer_) return;
    timer_->stop();
    timer_->start(interval, std::min(interval * 0.25, 1.5), [this, alive = alive_] {
        if (*alive) poll();
    });
}

double PowerStore::pollInterval() const {
    return timer_ ? timer_->interval() : 0;
}

void PowerStore::setFastMode(bool on) {
    fastMode_ = on;
    restartTimer(currentInterval());
}

void PowerStore::lowPowerModeChanged() {
    if (pollInterval() > 0 && std::fabs(pollInterval() - currentInterval()) > 0.4)
        restartTimer(currentInterval());
}

void PowerStore::poll() {
    if (!workQ_) return;
    // Timed on the work queue: read right here, the queue runs one read at a time.
    if (workQ_->isCurrent()) {
        readAndPost(clock_.now(), fastMode_);
        return;
    }
    if (pollInFlight_) return;
    pollInFlight_ = true;
    workQ_->async([this, alive = alive_, now = clock_.now(), fast = fastMode_.load()] {
        if (*alive) readAndPost(now, fast);
    });
}

void PowerStore::readAndPost(double now, bool fast) {
    const bool doShell =
        lastShellCrossCheck_ == 0 || now - lastShellCrossCheck_ >= kBatteryShellCrossCheck;
    const bool doCores = now - lastCoreShareRead_ >= kCoreShareEvery || fast;
    PollResult result;
    result.snap = readBattery(doShell, *env_.batteryServices, *env_.commandRunner);
    result.package = env_.packagePower->readPackageWattsDetailed();
    if (doCores) result.cores = env_.packagePower->readCoreShares();
    result.coreSharesRead = doCores;
    const double done = clock_.now();
    if (doShell) lastShellCrossCheck_ = done;
    if (doCores) lastCoreShareRead_ = done;
    postTo(this, [this, result = std::move(result)] {
        applyPoll(result);
        pollInFlight_ = false;
    });
}

void PowerStore::applyPoll(const PollResult& result) {
    applyBattery(result.snap);
    applyPackage(result.package);
    if (result.coreSharesRead) {
        if (std::fabs(result.cores.p - pCoreShare_) > 0.02)
            publish(this, pCoreShare_, result.cores.p, &PowerStore::pCoreShareChanged);
        if (std::fabs(result.cores.e - eCoreShare_) > 0.02)
            publish(this, eCoreShare_, result.cores.e, &PowerStore::eCoreShareChanged);
    }
    const double now = clock_.now();
    recordHistory(now);

    if (now - lastDrainLog_ >= kDrainLogEvery) {
        lastDrainLog_ = now;
        if (env_.recorder)
            env_.recorder->recordPower(level(), packageWatts(), chargeWatts(), isCharging());
    }
    // An unknown level is not a drop: no fast-drain alert is judged on it.
    if (env_.evaluator && levelKnown())
        env_.evaluator->evaluate(levelPercent(), batteryPresent() && !isOnAC() && !isCharging());

    const double interval = currentInterval();
    if (std::fabs(pollInterval() - interval) > 0.4) restartTimer(interval);
    emit pollApplied();
}

void PowerStore::applyPackage(const PackageReading& reading) {
    const PackageState& next = packageSmoother_.apply(reading);
    auto field = [&](auto member, void (PowerStore::*changed)()) {
        publish(this, package_.*member, next.*member, changed);
    };
    field(&PackageState::packageWatts, &PowerStore::packageWattsChanged);
    field(&PackageState::packageSource, &PowerStore::packageSourceChanged);
    field(&PackageState::cpuDomainWatts, &PowerStore::cpuDomainWattsChanged);
    field(&PackageState::gpuDomainWatts, &PowerStore::gpuDomainWattsChanged);
    publish(this, gpuWatts_, packageSmoother_.gpuWatts(), &PowerStore::gpuDomainWattsChanged);
    field(&PackageState::aneDomainWatts, &PowerStore::aneDomainWattsChanged);
    field(&PackageState::dramDomainWatts, &PowerStore::dramDomainWattsChanged);
    field(&PackageState::otherDomainWatts, &PowerStore::otherDomainWattsChanged);
    field(&PackageState::powerDomains, &PowerStore::hasPowerDistributionChanged);
    field(&PackageState::hasPowerDistribution, &PowerStore::hasPowerDistributionChanged);
}

void PowerStore::recordHistory(double now) {
    // The published value: a poll without a reading repeats the last one.
    history_.push(packageWatts());
    ++pollGeneration_;

    if (!(fastMode_ || now - lastPublishedSpark_ >= kSparkEvery || history_.filled() < 8)) return;
    std::vector<double> history = history_.chronological();
    std::vector<double> spark = WattHistory::spark(history);
    publish(this, wattHistory_, std::move(history), &PowerStore::wattHistoryChanged);
    publish(this, wattHistorySpark_, std::move(spark), &PowerStore::wattHistorySparkChanged);
    lastPublishedSpark_ = now;
}

}  // namespace tarvel
