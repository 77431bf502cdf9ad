#include "shell/statusitem/BatteryMenuChrome.h"

#include <cmath>
#include <vector>

#include "base/Format.h"
#include "base/Rounding.h"
#include "base/UserDefaults.h"
#include "shell/AppNotifications.h"
#include "shell/system/BatterySettingsOpener.h"
#include "telemetry/PowerStore.h"

namespace tarvel {

namespace {

constexpr int kCriticalMin = 5;
constexpr int kCriticalMax = 50;

std::string joined(const std::vector<std::string>& fields) {
    std::string out;
    for (const auto& f : fields) {
        if (!out.empty()) out += '|';
        out += f;
    }
    return out;
}

const char* boolText(bool b) {
    return b ? "true" : "false";
}

// Tenths of a watt; a value that is no number gets a token of its own instead of an integer.
std::string wattsField(double watts) {
    if (std::isnan(watts)) return "nan";
    if (std::isinf(watts)) return watts > 0 ? "inf" : "-inf";
    return std::to_string(roundHalfAway(watts * 10));
}

std::vector<std::string> keyFields(const StatusItemState& s) {
    return {MenuBarDisplay::rawValue(s.mode),
            s.levelKnown ? std::to_string(s.level) : "unknown",
            std::to_string(s.remainingMinutes.value_or(-1)),
            wattsField(s.packageWatts),
            boolText(s.charging),
            boolText(s.onAC),
            boolText(s.present),
            boolText(s.lowPower),
            std::to_string(s.criticalPercent),
            BatteryMenuChrome::tintName(tintOf(s))};
}

std::string twoDigits(std::int64_t v) {
    return (v < 10 ? "0" : "") + std::to_string(v);
}

// "%.0fW" from 10 W up, else "%.1fW".
std::string wattsText(double watts) {
    return formatFixed(watts, watts >= 10 ? 0 : 1) + "W";
}

}  // namespace

int BatteryMenuChrome::criticalBatteryPercent(const UserDefaults& settings) {
    const auto stored = settings.integer(kCriticalBatteryPercentKey);
    if (!stored) return kCriticalBatteryPercentDefault;
    return static_cast<int>(clampTo<std::int64_t>(*stored, kCriticalMin, kCriticalMax));
}

void BatteryMenuChrome::setCriticalBatteryPercent(UserDefaults& settings, std::int64_t percent) {
    settings.setInteger(kCriticalBatteryPercentKey,
                        clampTo<std::int64_t>(percent, kCriticalMin, kCriticalMax));
    postAppNotification(tarvelMenuBarDisplayChanged);
}

BatteryTint BatteryMenuChrome::batteryTint(int level, bool charging, bool onAC, bool present,
                                           bool lowPower, int criticalPercent) {
    if (!present) return BatteryTint::discharging;
    if (charging) return BatteryTint::charging;
    const BatteryTint base = lowPower ? BatteryTint::lowPower : BatteryTint::discharging;
    if (onAC) return base;
    return level <= criticalPercent ? BatteryTint::critical : base;
}

QColor BatteryMenuChrome::tintColor(BatteryTint tint) {
    switch (tint) {
        case BatteryTint::charging:
            return QColor::fromRgbF(0.2f, 0.86f, 0.4f);
        case BatteryTint::lowPower:
            return QColor::fromRgbF(1.0f, 0.8f, 0.12f);
        case BatteryTint::critical:
            return QColor::fromRgbF(0.98f, 0.26f, 0.26f);
        case BatteryTint::unknown:
            return QColor::fromRgbF(0.62f, 0.62f, 0.64f);
        case BatteryTint::discharging:
            break;
    }
    return QColor::fromRgbF(1.0f, 1.0f, 1.0f);
}

const char* BatteryMenuChrome::tintName(BatteryTint tint) {
    switch (tint) {
        case BatteryTint::charging:
            return "charging";
        case BatteryTint::lowPower:
            return "lowPower";
        case BatteryTint::critical:
            return "critical";
        case BatteryTint::unknown:
            return "unknown";
        case BatteryTint::discharging:
            break;
    }
    return "discharging";
}

std::string BatteryMenuChrome::batterySymbol(int level, bool charging, bool onAC, bool present) {
    if (!present) return "powerplug.fill";
    const char* bucket = level < 20   ? "0"
                         : level < 45 ? "25"
                         : level < 70 ? "50"
                         : level < 95 ? "75"
                                      : "100";
    const bool bolt = charging || (onAC && level < 100);
    return std::string("battery.") + bucket + (bolt ? ".bolt" : "");
}

std::string BatteryMenuChrome::batterySymbol(std::optional<int> level, bool charging, bool onAC,
                                             bool present) {
    if (present && !level) return "battery.unknown";
    return batterySymbol(level.value_or(0), charging, onAC, present);
}

std::string BatteryMenuChrome::levelText(std::optional<int> level) {
    return level ? std::to_string(*level) + "%" : std::string(kDash);
}

std::string BatteryMenuChrome::remainingText(std::optional<std::int64_t> minutes) {
    if (!minutes || *minutes < 1 || *minutes > 65534) return {};
    if (*minutes < 60) return std::to_string(*minutes) + "m";
    return std::to_string(*minutes / 60) + "h " + twoDigits(*minutes % 60) + "m";
}

bool BatteryMenuChrome::openBatterySettings() {
    return BatterySettingsOpener::forSession().open().has_value();
}

StatusItemState statusItemState(const PowerStore& store, const UserDefaults& settings,
                                bool lowPower) {
    StatusItemState s;
    s.mode = MenuBarDisplay::current(settings);
    s.level = store.levelPercent();
    s.levelKnown = store.levelKnown();
    s.remainingMinutes = store.remainingMinutes();
    s.packageWatts = store.packageWatts();
    s.charging = store.isCharging();
    s.onAC = store.isOnAC();
    s.present = store.batteryPresent();
    s.lowPower = lowPower;
    s.criticalPercent = BatteryMenuChrome::criticalBatteryPercent(settings);
    s.timeText = store.timeText();
    return s;
}

std::optional<int> levelOf(const StatusItemState& s) {
    return s.levelKnown ? std::optional<int>(s.level) : std::nullopt;
}

BatteryTint tintOf(const StatusItemState& s) {
    // A level that cannot be read is neither low nor critical.
    if (s.present && !s.levelKnown) return BatteryTint::unknown;
    return BatteryMenuChrome::batteryTint(s.level, s.charging, s.onAC, s.present, s.lowPower,
                                          s.criticalPercent);
}

std::string symbolOf(const StatusItemState& s) {
    return BatteryMenuChrome::batterySymbol(levelOf(s), s.charging, s.onAC, s.present);
}

std::string statusText(const StatusItemState& s) {
    const std::string level = BatteryMenuChrome::levelText(levelOf(s));
    if (s.mode == MenuBarDisplayMode::watts) {
        const std::string w = wattsText(s.packageWatts);
        return s.present ? level + " " + w : w;
    }
    if (!s.present) return "AC";
    if (s.onAC && !s.charging) return level + (!s.levelKnown || s.level < 100 ? " AC" : " Full");
    const std::string time = BatteryMenuChrome::remainingText(s.remainingMinutes);
    return time.empty() ? level : level + " " + time;
}

std::string trayValueText(const StatusItemState& s) {
    if (s.mode == MenuBarDisplayMode::watts) return wattsText(s.packageWatts);
    if (!s.present) return "";
    return s.levelKnown ? std::to_string(s.level) : std::string(kDash);
}

std::string statusKey(const StatusItemState& s) {
    return joined(keyFields(s));
}

std::string tooltipKey(const StatusItemState& s) {
    auto fields = keyFields(s);
    fields.erase(fields.begin() + 3);
    // The tooltip shows the time text, which can change while the minutes stay the same.
    fields.push_back(s.timeText);
    return joined(fields);
}

std::string tooltipText(const StatusItemState& s) {
    if (!s.present) return "Tarvel Pro · AC power\nClick: menu · Double-click: full window";
    return BatteryMenuChrome::levelText(levelOf(s)) + " · " + s.timeText + " · " +
           formatFixed(s.packageWatts, 1) + " W\nClick: menu · Double-click: full window";
}

std::string accessibilityLabel(const StatusItemState& s) {
    if (!s.present) return "Tarvel, AC power";
    const std::string level =
        s.levelKnown ? std::to_string(s.level) + " percent" : std::string("level unknown");
    return "Tarvel battery " + level + ", " + s.timeText;
}

}  // namespace tarvel
