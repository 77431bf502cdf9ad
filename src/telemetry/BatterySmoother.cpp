#include "telemetry/BatterySmoother.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "base/Format.h"
#include "telemetry/BatteryAssembly.h"
#include "telemetry/TelemetryTexts.h"

namespace tarvel {

namespace {
constexpr size_t kMinutesSampleCap = 12;

const char* boolText(bool b) {
    return b ? "true" : "false";
}
}  // namespace

void BatterySmoother::resetTimeSmoothers() {
    minutesEma_.reset();
    minutesSamples_.clear();
    lastTimePublishAt_ = 0;
    lastPublishedTimeText_.clear();
    lastDisplayedMinutes_ = -1;
}

void BatterySmoother::notePowerTransition(bool wake, double now) {
    if (!wake) {
        minutesHoldUntil_ = now + 1.0;
        return;
    }
    // Current and minutes from before the sleep say nothing about the machine now.
    minutesHoldUntil_ = now + 30.0;
    state_.smoothedAmperageMA.reset();
    minutesSamples_.clear();
    pendingLevel_ = -1;
    pendingLevelHits_ = 0;
}

const BatteryState& BatterySmoother::apply(const BatSnap& snap, double now) {
    state_.batteryPresent = snap.present;

    const std::string key = std::string(boolText(snap.charging)) + "-" + boolText(snap.onAC) + "-" +
                            boolText(snap.present);
    if (key != lastPowerModeKey_) {
        lastPowerModeKey_ = key;
        resetTimeSmoothers();
        state_.smoothedAmperageMA.reset();
        stickyLevel_ = pendingLevel_ = -1;
        pendingLevelHits_ = 0;
    }

    state_.levelKnown = snap.levelKnown;
    if (snap.levelKnown) {
        debounceLevel(clampTo(snap.level, 0, 100));
        state_.levelPercent = stickyLevel_;
    } else {
        // Nothing to hold on to: the next level read is shown at once.
        stickyLevel_ = pendingLevel_ = -1;
        pendingLevelHits_ = 0;
        state_.levelPercent = 0;
    }
    state_.isCharging = snap.charging;
    state_.isOnAC = snap.onAC;
    state_.batterySourcesUsed = snap.sourcesLabel.empty() ? std::string(kDash) : snap.sourcesLabel;

    smoothCurrent(snap);
    const double w = smoothChargePower(snap);

    state_.cycleCount = snap.cycles;
    state_.healthPercent = snap.health;
    state_.capacityRaw = snap.rawMax;
    state_.designCapacity = snap.design;

    smoothMinutes(snap, now);

    if (!snap.present) {
        state_.statusText = texts::kNoBattery;
        state_.timeText = texts::kDesktopAC;
        state_.remainingMinutes.reset();
        state_.minutesIsLiveEstimate = false;
        resetTimeSmoothers();
        state_.smoothedAmperageMA.reset();
        return state_;
    }

    const std::string status = composeStatus(snap, w);
    composeTimeText(snap, now);
    state_.statusText = status;
    return state_;
}

void BatterySmoother::debounceLevel(int lvl) {
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

void BatterySmoother::smoothCurrent(const BatSnap& snap) {
    auto& ema = state_.smoothedAmperageMA;
    const auto& amps = snap.amperageMA;
    if (!amps || (*amps > -25 && *amps < 25)) {
        if (!snap.charging && snap.onAC) ema.reset();
        return;
    }
    const double a = double(*amps);
    if (!ema) {
        ema = a;
        return;
    }
    const double band = std::max(0.2 * std::fabs(*ema), 100.0);
    const double limited = std::clamp(a, *ema - band, *ema + band);
    ema = 0.88 * *ema + 0.12 * limited;
}

double BatterySmoother::smoothChargePower(const BatSnap& snap) {
    double w = snap.chargeW;
    const auto& amps = state_.smoothedAmperageMA;
    if (amps && snap.voltageMV && *snap.voltageMV >= 1) {
        const double w2 = std::fabs(*amps) / 1000.0 * double(*snap.voltageMV) / 1000.0;
        if (w2 > 0.08) w = w2;
    }
    if (w <= 0.05) {
        if (state_.chargeWatts != 0) {
            state_.chargeWatts = 0;
            chargeEma_.reset();
        }
        return w;
    }
    chargeEma_ = chargeEma_ ? 0.15 * w + 0.85 * *chargeEma_ : w;
    // Small moves would only make the figure flicker.
    if (std::fabs(*chargeEma_ - state_.chargeWatts) >= 0.2) state_.chargeWatts = *chargeEma_;
    return w;
}

void BatterySmoother::smoothMinutes(const BatSnap& snap, double now) {
    bool live = snap.minutesIsLiveEstimate;
    bool sourceUnknown = false;
    std::optional<double> sample;
    auto passes = [&](std::int64_t m) { return minutesPlausible(m, snap.charging, snap.onAC); };
    const auto& shown = state_.remainingMinutes;

    if (now < minutesHoldUntil_ || (snap.onAC && !snap.charging)) {
        // held: keep what is shown
    } else if (snap.minutes && passes(*snap.minutes)) {
        sample = double(*snap.minutes);
    } else if (live) {
        // a live estimate that failed the bound: keep what is shown
    } else if (shown) {
        live = false;
        if (passes(*shown))
            sample = double(*shown);
        else
            sourceUnknown = true;
    } else {
        live = false;
    }

    if (sample) showMinutesSample(*sample);

    state_.minutesIsLiveEstimate = live;
    if (!shown || now < minutesHoldUntil_ || sourceUnknown)
        state_.timeEstimateSource = kDash;
    else
        state_.timeEstimateSource = live ? texts::kPackDraw : texts::kSMCGauge;
}

void BatterySmoother::showMinutesSample(double m) {
    std::int64_t shown;
    if (!minutesEma_) {
        minutesEma_ = m;
        minutesSamples_ = {m};
        shown = roundHalfAway(m);
    } else {
        const double d = std::fabs(m - *minutesEma_);
        const double alpha = d >= 40 ? 0.12 : d >= 15 ? 0.10 : d >= 5 ? 0.14 : 0.18;
        const double ema = alpha * m + (1 - alpha) * *minutesEma_;
        minutesSamples_.push_back(m);
        if (minutesSamples_.size() > kMinutesSampleCap)
            minutesSamples_.erase(
                minutesSamples_.begin(),
                minutesSamples_.end() - static_cast<std::ptrdiff_t>(kMinutesSampleCap));
        std::vector<double> sorted = minutesSamples_;
        std::sort(sorted.begin(), sorted.end());
        const double median = sorted[sorted.size() / 2];
        const double target = 0.25 * median + 0.75 * ema;
        // Move from what is on screen, at most two minutes a poll, so the figure never jumps.
        const double ref = lastDisplayedMinutes_ > 0 ? double(lastDisplayedMinutes_) : ema;
        const double next =
            std::fabs(target - ref) <= 2 ? target : (target > ref ? ref + 2 : ref - 2);
        minutesEma_ = next;
        shown = std::max<std::int64_t>(1, roundHalfAway(next));
    }
    state_.remainingMinutes = shown;
}

std::string BatterySmoother::composeStatus(const BatSnap& snap, double w) {
    const double shownW = state_.chargeWatts > 0.05 ? state_.chargeWatts : w;
    if (snap.charging)
        return shownW > 0.05 ? texts::kChargingWatts + formatFixed(shownW, 1) + " W"
                             : texts::kCharging;
    if (!snap.onAC)
        return shownW > 0.05 ? texts::kOnBatteryWatts + formatFixed(shownW, 1) + " W"
                             : texts::kOnBattery;
    // Resting on the adapter: there is no time to count down or up.
    state_.remainingMinutes.reset();
    state_.minutesIsLiveEstimate = false;
    resetTimeSmoothers();
    state_.smoothedAmperageMA.reset();
    return state_.levelPercent < 100 ? texts::kPluggedIn : texts::kFullOnAC;
}

void BatterySmoother::composeTimeText(const BatSnap& snap, double now) {
    const auto& minutes = state_.remainingMinutes;
    std::string text;
    if (snap.onAC && !snap.charging) {
        text = texts::kOnACPower;
    } else if (now >= minutesHoldUntil_ && minutes && *minutes > 0) {
        const std::int64_t m = *minutes;
        if (m < 60)
            text = std::to_string(m) + (snap.charging ? texts::kMinToFull : texts::kMinLeft);
        else
            text = std::to_string(m / 60) + "h " + std::to_string(m % 60) + "m" +
                   (snap.charging ? " to full" : " left");
    } else {
        text = lastPublishedTimeText_.empty() ? texts::kCalculating : lastPublishedTimeText_;
    }

    // A new text shows at once when the minutes moved; otherwise at most every 8 s.
    const std::int64_t shown = minutes.value_or(-1);
    const bool minutesChanged = lastDisplayedMinutes_ < 0 || shown != lastDisplayedMinutes_;
    const bool due =
        text == texts::kOnACPower || lastPublishedTimeText_.empty() ||
        (text != lastPublishedTimeText_ && (now - lastTimePublishAt_ >= 8.0 || minutesChanged));
    if (!due) return;
    lastTimePublishAt_ = now;
    lastPublishedTimeText_ = text;
    lastDisplayedMinutes_ = shown;
    state_.timeText = text;
}

}  // namespace tarvel
