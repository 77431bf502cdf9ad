#pragma once

#include <QColor>
#include <cstdint>
#include <optional>
#include <string>

#include "shell/statusitem/MenuBarDisplayMode.h"

namespace tarvel {

class PowerStore;
class UserDefaults;

// How the battery is tinted in the status item and in the views, in this order. `unknown` is
// the neutral tint of a battery whose level cannot be read.
enum class BatteryTint { discharging, charging, lowPower, critical, unknown };

inline constexpr const char* kCriticalBatteryPercentKey = "tarvelpro.criticalBatteryPercent";
inline constexpr int kCriticalBatteryPercentDefault = 20;

// Everything the status item shows, in one value: the status key is a function of it.
struct StatusItemState {
    MenuBarDisplayMode mode = MenuBarDisplayMode::percent;
    int level = 0;
    bool levelKnown = true;  // false: no level could be read ("—", never 0 %)
    std::optional<std::int64_t> remainingMinutes;
    double packageWatts = 0;
    bool charging = false;
    bool onAC = false;
    bool present = true;
    bool lowPower = false;
    int criticalPercent = kCriticalBatteryPercentDefault;
    std::string timeText;  // only the tooltip and the accessibility label use it
};

// The battery chrome shared by the status item and the views: tint, symbol and texts.
struct BatteryMenuChrome {
    // The critical percent setting: an integer clamped to 5…50; anything else reads as 20.
    static int criticalBatteryPercent(const UserDefaults& settings);
    // Stores the clamped value and tells the status item to redraw.
    static void setCriticalBatteryPercent(UserDefaults& settings, std::int64_t percent);

    static BatteryTint batteryTint(int level, bool charging, bool onAC, bool present, bool lowPower,
                                   int criticalPercent);
    static QColor tintColor(BatteryTint tint);
    // "discharging", "charging", "lowPower", "critical", "unknown".
    static const char* tintName(BatteryTint tint);

    // A battery symbol name such as "battery.75" or "battery.100.bolt"; "powerplug.fill"
    // without a battery, "battery.unknown" (an empty outline) when the level is unknown.
    static std::string batterySymbol(int level, bool charging, bool onAC, bool present);
    static std::string batterySymbol(std::optional<int> level, bool charging, bool onAC,
                                     bool present);

    // "62%", or "—" when the level is unknown.
    static std::string levelText(std::optional<int> level);

    // "1h 05m" from 60 minutes on, else "42m"; empty outside 1…65534 minutes.
    static std::string remainingText(std::optional<std::int64_t> minutes);

    // Opens the desktop's power settings; false when nothing could be started.
    static bool openBatterySettings();
};

// The published power state with the settings and the system's low-power flag.
StatusItemState statusItemState(const PowerStore& store, const UserDefaults& settings,
                                bool lowPower);

BatteryTint tintOf(const StatusItemState& s);
std::string symbolOf(const StatusItemState& s);
std::optional<int> levelOf(const StatusItemState& s);
// The text beside the symbol ("80% 12W", "62% 1h 05m", "99% AC", "— 1h 05m", …).
std::string statusText(const StatusItemState& s);
// The value a square tray icon shows under the symbol: the package watts in watts mode ("12W",
// "9.4W"), else the level ("62", "—"); empty for a machine without a battery in percent mode.
std::string trayValueText(const StatusItemState& s);
// Equal keys draw equal images; the watts count in tenths.
std::string statusKey(const StatusItemState& s);
// The status key without the watts, with the time text: the tooltip is rewritten only when
// this changes.
std::string tooltipKey(const StatusItemState& s);
std::string tooltipText(const StatusItemState& s);
std::string accessibilityLabel(const StatusItemState& s);

}  // namespace tarvel
