#include "drain/DrainAlertMonitor.h"

#include <cmath>

#include "base/Published.h"
#include "base/Rounding.h"
#include "base/SharedInstance.h"

namespace tarvel {

namespace {

int clampedSetting(const UserDefaults& defaults, const char* key, int fallback, int lo, int hi) {
    const auto stored = defaults.integer(key);
    if (!stored) return fallback;
    return static_cast<int>(std::clamp<std::int64_t>(*stored, lo, hi));
}

}  // namespace

DrainAlertMonitor::DrainAlertMonitor(Clock& clock, UserDefaults& defaults,
                                     NotificationCenter& notifications, TopProcessName topProcess,
                                     QObject* parent)
    : QObject(parent),
      clock_(clock),
      defaults_(defaults),
      notifications_(notifications),
      topProcess_(std::move(topProcess)),
      announced_{isEnabled(), dropPercent(), windowMinutes()} {
    connect(&defaults_, &UserDefaults::changed, this, &DrainAlertMonitor::followSetting);
}

DrainAlertMonitor& DrainAlertMonitor::shared() {
    return SharedInstance<DrainAlertMonitor>::get("DrainAlertMonitor");
}

void DrainAlertMonitor::followSetting(const std::string& key) {
    if (key == kEnabledKey)
        publish(this, announced_.enabled, isEnabled(), &DrainAlertMonitor::isEnabledChanged);
    if (key == kDropPercentKey)
        publish(this, announced_.dropPercent, dropPercent(),
                &DrainAlertMonitor::dropPercentChanged);
    if (key == kWindowMinutesKey)
        publish(this, announced_.windowMinutes, windowMinutes(),
                &DrainAlertMonitor::windowMinutesChanged);
}

bool DrainAlertMonitor::isEnabled() const {
    return defaults_.boolValue(kEnabledKey).value_or(false);
}

void DrainAlertMonitor::setEnabled(bool on) {
    defaults_.setBool(kEnabledKey, on);
    if (on) requestPermission();
}

int DrainAlertMonitor::dropPercent() const {
    return clampedSetting(defaults_, kDropPercentKey, kDefaultDropPercent, kMinDropPercent,
                          kMaxDropPercent);
}

void DrainAlertMonitor::setDropPercent(int percent) {
    defaults_.setInteger(kDropPercentKey, clampTo(percent, kMinDropPercent, kMaxDropPercent));
}

int DrainAlertMonitor::windowMinutes() const {
    return clampedSetting(defaults_, kWindowMinutesKey, kDefaultWindowMinutes, kMinWindowMinutes,
                          kMaxWindowMinutes);
}

void DrainAlertMonitor::setWindowMinutes(int minutes) {
    defaults_.setInteger(kWindowMinutesKey, clampTo(minutes, kMinWindowMinutes, kMaxWindowMinutes));
}

void DrainAlertMonitor::requestPermission() {
    notifications_.requestAuthorization();
}

void DrainAlertMonitor::evaluate(int level, bool onBattery) {
    const double now = clock_.now();
    levelTrail_.push_back({now, level});
    const int minutes = windowMinutes();
    const double keepFrom = now - (minutes + 5) * 60.0;
    while (!levelTrail_.empty() && levelTrail_.front().time < keepFrom) levelTrail_.pop_front();

    if (!isEnabled() || !onBattery) return;

    const double window = minutes * 60.0;
    const TrailEntry* reference = &levelTrail_.front();
    for (const TrailEntry& e : levelTrail_) {
        if (now - e.time >= 0.85 * window) {
            reference = &e;
            break;
        }
    }
    const int drop = reference->level - level;
    if (drop < dropPercent()) return;

    // A last-fire time in the future (the clock was set back) does not hold alerts off.
    if (const auto lastFire = defaults_.date(lastAlertKey_);
        lastFire && now - *lastFire >= 0 && now - *lastFire < kCoolDownSeconds)
        return;
    defaults_.setDate(lastAlertKey_, now);

    const std::optional<std::string> top = topProcess_ ? topProcess_() : std::nullopt;
    const std::string head =
        "Battery dropped " + std::to_string(drop) + "% in ~" + std::to_string(minutes) + " min";
    LocalNotification n;
    n.identifier = kIdentifierPrefix + std::to_string(static_cast<std::int64_t>(std::floor(now)));
    n.title = kTitle;
    n.body = top ? head + ". Top energy: " + *top + "." : head + " while on battery.";
    n.defaultSound = true;
    notifications_.add(n);
}

}  // namespace tarvel
