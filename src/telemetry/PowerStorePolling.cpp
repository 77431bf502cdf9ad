// The poll loop: cadence, the background reads, and applying package power and history.
#include <algorithm>
#include <cmath>

#include "base/MainThread.h"
#include "base/Published.h"
#include "base/Rounding.h"
#include "platform/LowPowerMode.h"
#include "telemetry/PowerObservers.h"
#include "telemetry/PowerStore.h"
#include "telemetry/TelemetryTexts.h"

namespace tarvel {

namespace {
constexpr double kCoreShareEvery = 30.0;
constexpr double kSparkEvery = 12.0;
constexpr double kDrainLogEvery = 30.0;
constexpr size_t kSparkPoints = 60;
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
    if (pollInFlight_ || !workQ_) return;
    pollInFlight_ = true;
    const double now = clock_.now();
    const bool doShell =
        lastShellCrossCheck_ == 0 || now - lastShellCrossCheck_ >= kBatteryShellCrossCheck;
    const bool doCores = now - lastCoreShareRead_ >= kCoreShareEvery || fastMode_;
    const CoreShares published{pCoreShare_, eCoreShare_};
    workQ_->async([this, alive = alive_, doShell, doCores, published] {
        if (*alive) {
            const BatSnap snap = readBattery(doShell, *env_.batteryServices, *env_.commandRunner);
            if (doShell) postTo(this, [this] { lastShellCrossCheck_ = clock_.now(); });
            const PackageReading pkg = env_.packagePower->readPackageWattsDetailed();
            CoreShares cores = published;
            if (doCores) {
                cores = env_.packagePower->readCoreShares();
                postTo(this, [this] { lastCoreShareRead_ = clock_.now(); });
            }
            postTo(this,
                   [this, snap, pkg, cores, doCores] { applyPoll(snap, pkg, cores, doCores); });
        }
        postTo(this, [this] { pollInFlight_ = false; });
    });
}

void PowerStore::applyPoll(const BatSnap& snap, const PackageReading& pkg, CoreShares cores,
                           bool doCores) {
    applyBattery(snap);
    applyPackageWatts(pkg);
    applyDistribution(pkg);
    if (doCores) {
        if (std::fabs(cores.p - pCoreShare_) > 0.02)
            publish(this, pCoreShare_, cores.p, &PowerStore::pCoreShareChanged);
        if (std::fabs(cores.e - eCoreShare_) > 0.02)
            publish(this, eCoreShare_, cores.e, &PowerStore::eCoreShareChanged);
    }
    const double now = clock_.now();
    recordHistory(now);

    if (now - lastDrainLog_ >= kDrainLogEvery) {
        lastDrainLog_ = now;
        if (env_.recorder)
            env_.recorder->recordPower(levelPercent(), packageWatts_, chargeWatts(), isCharging());
    }
    if (env_.evaluator)
        env_.evaluator->evaluate(levelPercent(), batteryPresent() && !isOnAC() && !isCharging());

    const double interval = currentInterval();
    if (std::fabs(pollInterval() - interval) > 0.4) restartTimer(interval);
    emit pollApplied();
}

void PowerStore::applyPackageWatts(const PackageReading& pkg) {
    const double w = pkg.watts;
    if (!(w > 0)) return;
    if (hasPackageEma_) {
        const double d = std::fabs(w - packageEma_);
        const double alpha = d > 4.0 ? 0.55 : d > 1.5 ? 0.35 : 0.22;
        packageEma_ = w * alpha + packageEma_ * (1 - alpha);
    } else {
        packageEma_ = w;
    }
    hasPackageEma_ = true;
    const double shown = double(roundHalfAway(packageEma_ * 10.0)) / 10.0;
    if (std::fabs(shown - packageWatts_) >= 0.05 || pkg.source != packageSource_) {
        publish(this, packageWatts_, packageEma_, &PowerStore::packageWattsChanged);
        publish(this, packageSource_, pkg.source, &PowerStore::packageSourceChanged);
    }
}

void PowerStore::applyDistribution(const PackageReading& pkg) {
    if (!pkg.distribution) {
        if (pkg.source == texts::kEstimate)
            publish(this, hasPowerDistribution_, false, &PowerStore::hasPowerDistributionChanged);
        return;
    }
    const SocPowerSample& s = *pkg.distribution;
    auto blend = [this](double& field, double sample, void (PowerStore::*changed)()) {
        const double next = field <= 0.01 ? sample : sample * 0.45 + field * 0.55;
        publish(this, field, next, changed);
    };
    blend(cpuDomainWatts_, s.cpuWatts, &PowerStore::cpuDomainWattsChanged);
    blend(gpuDomainWatts_, s.gpuWatts, &PowerStore::gpuDomainWattsChanged);
    blend(aneDomainWatts_, s.aneWatts, &PowerStore::aneDomainWattsChanged);
    blend(dramDomainWatts_, s.dramWatts, &PowerStore::dramDomainWattsChanged);
    blend(otherDomainWatts_, s.otherWatts, &PowerStore::otherDomainWattsChanged);
    publish(this, hasPowerDistribution_, s.hasData(), &PowerStore::hasPowerDistributionChanged);
}

void PowerStore::recordHistory(double now) {
    const auto ringSize = static_cast<std::int64_t>(kWattHistorySlots);
    wattRing_[static_cast<size_t>(wattIdx_ % ringSize)] = packageWatts_;
    ++wattIdx_;
    wattFilled_ = std::min(wattFilled_ + 1, ringSize);
    ++pollGeneration_;

    if (!(fastMode_ || now - lastPublishedSpark_ >= kSparkEvery || wattFilled_ < 8)) return;
    std::vector<double> history;
    history.reserve(static_cast<size_t>(wattFilled_));
    for (std::int64_t i = 0; i < wattFilled_; ++i) {
        const std::int64_t slot = ((wattIdx_ - wattFilled_ + i) % ringSize + ringSize) % ringSize;
        history.push_back(wattRing_[static_cast<size_t>(slot)]);
    }
    std::vector<double> spark;
    const size_t n = history.size();
    if (n <= kSparkPoints) {
        spark = history;
    } else {
        spark.reserve(kSparkPoints);
        for (size_t k = 0; k < kSparkPoints; ++k) {
            const auto index = roundHalfAway(double(n - 1) / double(kSparkPoints - 1) * double(k));
            spark.push_back(history[std::min(static_cast<size_t>(index), n - 1)]);
        }
    }
    publish(this, wattHistory_, std::move(history), &PowerStore::wattHistoryChanged);
    publish(this, wattHistorySpark_, std::move(spark), &PowerStore::wattHistorySparkChanged);
    lastPublishedSpark_ = now;
}

}  // namespace tarvel
