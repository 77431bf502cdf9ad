// How one battery snapshot becomes the published battery state: level debounce, current,
// power and time smoothing, the time hold around sleep and wake, and the texts.
#include <algorithm>
#include <cmath>

#include "base/Format.h"
#include "base/Published.h"
#include "base/Rounding.h"
#include "telemetry/BatteryAssembly.h"
#include "telemetry/PowerStore.h"
#include "telemetry/TelemetryTexts.h"

namespace tarvel {

namespace {
constexpr size_t kMinutesSampleCap = 12;

const char* boolText(bool b) {
    return b ? "true" : "false";
}
}  // namespace

void PowerStore::resetTimeSmoothers() {
    hasMinutesEma_ = false;
    minutesEma_ = 0;
    minutesSamples_.clear();
    lastTimePublishAt_ = 0;
    lastPublishedTimeText_.clear();
    lastDisplayedMinutes_ = -1;
}

void PowerStore::clearAmpSmoother() {
    hasAmpEma_ = false;
    ampEmaMA_ = 0;
}

void PowerStore::applyBattery(const BatSnap& snap) {
    publish(this, batteryPresent_, snap.present, &PowerStore::batteryPresentChanged);

    const std::string key = std::string(boolText(snap.charging)) + "-" + boolText(snap.onAC) + "-" +
                            boolText(snap.present);
    if (key != lastPowerModeKey_) {
        lastPowerModeKey_ = key;
        resetTimeSmoothers();
        clearAmpSmoother();
        stickyLevel_ = pendingLevel_ = -1;
        pendingLevelHits_ = 0;
    }

    debounceLevel(clampTo(snap.level, 0, 100));
    publish(this, levelPercent_, stickyLevel_, &PowerStore::levelPercentChanged);
    publish(this, isCharging_, snap.charging, &PowerStore::isChargingChanged);
    publish(this, isOnAC_, snap.onAC, &PowerStore::isOnACChanged);
    publish(this, batterySourcesUsed_,
            snap.sourcesLabel.empty() ? std::string(kDash) : snap.sourcesLabel,
            &PowerStore::batterySourcesUsedChanged);

    smoothCurrent(snap);
    const double w = smoothChargePower(snap);

    publish(this, cycleCount_, snap.cycles, &PowerStore::cycleCountChanged);
    publish(this, healthPercent_, snap.health, &PowerStore::healthPercentChanged);
    publish(this, capacityRaw_, snap.rawMax, &PowerStore::capacityRawChanged);
    publish(this, designCapacity_, snap.design, &PowerStore::designCapacityChanged);

    const double now = clock_.now();
    smoothMinutes(snap, now);

    if (!snap.present) {
        publish(this, statusText_, std::string(texts::kNoBattery), &PowerStore::statusTextChanged);
        publish(this, timeText_, std::string(texts::kDesktopAC), &PowerStore::timeTextChanged);
        publish(this, remainingMinutes_, std::optional<std::int64_t>(),
                &PowerStore::remainingMinutesChanged);
        publish(this, minutesIsLiveEstimate_, false, &PowerStore::minutesIsLiveEstimateChanged);
        resetTimeSmoothers();
        clearAmpSmoother();
        return;
    }

    const std::string status = composeStatus(snap, w);
    publishTimeText(snap, now);
    publish(this, statusText_, status, &PowerStore::statusTextChanged);
}

void PowerStore::debounceLevel(int lvl) {
    if (stickyLevel_ < 0) {
        stickyLevel_ = pendingLevel_ = lvl;
        pendingLevelHits_ = 1;
    } else if (lvl == stickyLevel_) {
        pendingLevel_ = lvl;
        pendingLevelHits_ = 0;
    } else if (std::abs(lvl - stickyLevel_) >= 3) {
        stickyLevel_ = pendingLevel_ = lvl;
        pendingLevelHits_ = 0;
    } else if (lvl == pendingLevel_) {
        if (++pendingLevelHits_ >= 2) {
            stickyLevel_ = lvl;
            pendingLevelHits_ = 0;
        }
    } else {
        pendingLevel_ = lvl;
        pendingLevelHits_ = 1;
    }
}

void PowerStore::smoothCurrent(const BatSnap& snap) {
    const auto& amps = snap.amperageMA;
    if (!amps || (*amps > -25 && *amps < 25)) {
        if (!snap.charging && snap.onAC) clearAmpSmoother();
        return;
    }
    const double a = double(*amps);
    if (!hasAmpEma_) {
        ampEmaMA_ = a;
        hasAmpEma_ = true;
        return;
    }
    const double band = std::max(0.2 * std::fabs(ampEmaMA_), 100.0);
    const double limited = std::clamp(a, ampEmaMA_ - band, ampEmaMA_ + band);
    ampEmaMA_ = 0.88 * ampEmaMA_ + 0.12 * limited;
}

double PowerStore::smoothChargePower(const BatSnap& snap) {
    double w = snap.chargeW;
    if (hasAmpEma_ && snap.voltageMV && *snap.voltageMV >= 1) {
        const double w2 = std::fabs(ampEmaMA_) / 1000.0 * double(*snap.voltageMV) / 1000.0;
        if (w2 > 0.08) w = w2;
    }
    if (w <= 0.05) {
        if (chargeWatts_ != 0) {
            publish(this, chargeWatts_, 0.0, &PowerStore::chargeWattsChanged);
            hasChargeEma_ = false;
            chargeEma_ = 0;
        }
        return w;
    }
    chargeEma_ = hasChargeEma_ ? 0.15 * w + 0.85 * chargeEma_ : w;
    hasChargeEma_ = true;
    if (std::fabs(chargeEma_ - chargeWatts_) >= 0.2)
        publish(this, chargeWatts_, chargeEma_, &PowerStore::chargeWattsChanged);
    return w;
}

void PowerStore::smoothMinutes(const BatSnap& snap, double now) {
    bool live = snap.minutesIsLiveEstimate;
    bool sourceUnknown = false;
    std::optional<double> sample;
    auto passes = [&](std::int64_t m) { return minutesPlausible(m, snap.charging, snap.onAC); };

    if (now < minutesHoldUntil_ || (snap.onAC && !snap.charging)) {
        // held: keep what is shown
    } else if (snap.minutes && passes(*snap.minutes)) {
        sample = double(*snap.minutes);
    } else if (live) {
        // a live estimate that failed the bound: keep what is shown
    } else if (remainingMinutes_) {
        live = false;
        if (passes(*remainingMinutes_))
            sample = double(*remainingMinutes_);
        else
            sourceUnknown = true;
    } else {
        live = false;
    }

    if (sample) showMinutesSample(*sample);

    std::string source;
    if (!remainingMinutes_ || now < minutesHoldUntil_ || sourceUnknown)
        source = kDash;
    else
        source = live ? texts::kPackDraw : texts::kSMCGauge;
    publish(this, minutesIsLiveEstimate_, live, &PowerStore::minutesIsLiveEstimateChanged);
    publish(this, timeEstimateSource_, source, &PowerStore::timeEstimateSourceChanged);
}

void PowerStore::showMinutesSample(double m) {
    std::int64_t shown;
    if (!hasMinutesEma_) {
        minutesEma_ = m;
        minutesSamples_ = {m};
        hasMinutesEma_ = true;
        shown = roundHalfAway(m);
    } else {
        const double d = std::fabs(m - minutesEma_);
        const double alpha = d >= 40 ? 0.12 : d >= 15 ? 0.10 : d >= 5 ? 0.14 : 0.18;
        minutesEma_ = alpha * m + (1 - alpha) * minutesEma_;
        minutesSamples_.push_back(m);
        if (minutesSamples_.size() > kMinutesSampleCap)
            minutesSamples_.erase(
                minutesSamples_.begin(),
                minutesSamples_.end() - static_cast<std::ptrdiff_t>(kMinutesSampleCap));
        std::vector<double> sorted = minutesSamples_;
        std::sort(sorted.begin(), sorted.end());
        const double median = sorted[sorted.size() / 2];
        const double target = 0.25 * median + 0.75 * minutesEma_;
        const double ref = lastDisplayedMinutes_ > 0 ? double(lastDisplayedMinutes_) : minutesEma_;
        const double next =
            std::fabs(target - ref) <= 2 ? target : (target > ref ? ref + 2 : ref - 2);
        minutesEma_ = next;
        shown = std::max<std::int64_t>(1, roundHalfAway(next));
    }
    publish(this, remainingMinutes_, std::optional<std::int64_t>(shown),
            &PowerStore::remainingMinutesChanged);
}

std::string PowerStore::composeStatus(const BatSnap& snap, double w) {
    const double shownW = chargeWatts_ > 0.05 ? chargeWatts_ : w;
    if (snap.charging)
        return shownW > 0.05 ? texts::kChargingWatts + formatFixed(shownW, 1) + " W"
                             : texts::kCharging;
    if (!snap.onAC)
        return shownW > 0.05 ? texts::kOnBatteryWatts + formatFixed(shownW, 1) + " W"
                             : texts::kOnBattery;
    publish(this, remainingMinutes_, std::optional<std::int64_t>(),
            &PowerStore::remainingMinutesChanged);
    publish(this, minutesIsLiveEstimate_, false, &PowerStore::minutesIsLiveEstimateChanged);
    resetTimeSmoothers();
    clearAmpSmoother();
    return levelPercent_ < 100 ? texts::kPluggedIn : texts::kFullOnAC;
}

void PowerStore::publishTimeText(const BatSnap& snap, double now) {
    std::string text;
    if (snap.onAC && !snap.charging) {
        text = texts::kOnACPower;
    } else if (now >= minutesHoldUntil_ && remainingMinutes_ && *remainingMinutes_ > 0) {
        const std::int64_t m = *remainingMinutes_;
        if (m < 60)
            text = std::to_string(m) + (snap.charging ? texts::kMinToFull : texts::kMinLeft);
        else
            text = std::to_string(m / 60) + "h " + std::to_string(m % 60) + "m" +
                   (snap.charging ? " to full" : " left");
    } else {
        text = lastPublishedTimeText_.empty() ? texts::kCalculating : lastPublishedTimeText_;
    }

    const std::int64_t shown = remainingMinutes_.value_or(-1);
    const bool minutesChanged = lastDisplayedMinutes_ < 0 || shown != lastDisplayedMinutes_;
    const bool due =
        text == texts::kOnACPower || lastPublishedTimeText_.empty() ||
        (text != lastPublishedTimeText_ && (now - lastTimePublishAt_ >= 8.0 || minutesChanged));
    if (!due) return;
    lastTimePublishAt_ = now;
    lastPublishedTimeText_ = text;
    lastDisplayedMinutes_ = shown;
    publish(this, timeText_, text, &PowerStore::timeTextChanged);
}

}  // namespace tarvel
