#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarvel {

class CommandRunner;
class PollTimer;
class UserDefaults;

inline constexpr const char* kReplaceSystemBattery = "tarvelpro.replaceSystemBattery";
inline constexpr const char* kSavedSystemBatteryMenuValue = "tarvelpro.savedSystemBatteryMenuValue";
inline constexpr const char* kDidHideSystemBattery = "tarvelpro.didHideSystemBattery";

// Replaces the system's own battery menu item with ours: remembers the user's setting, turns the
// system item off with `defaults`, restarts the menu-bar processes so it shows, keeps enforcing
// every 45 s (the system may turn it back on), and restores the setting when the feature goes
// off or the application quits. The menu-bar preference domains exist only on the Mac; the
// application runs these argument lists through a runner that starts nothing (see
// makeApplicationBatteryMenuHider).
class SystemBatteryMenuHider {
public:
    static constexpr double kEnforceInterval = 45.0;
    static constexpr double kEnforceTolerance = 10.0;
    // The system's "Battery" value for a hidden item, and the one restored when nothing usable
    // was saved.
    static constexpr int kHiddenValue = 8;
    static constexpr int kRestoredValue = 18;

    // `toolsFolder` holds `defaults` and `killall`.
    SystemBatteryMenuHider(UserDefaults& settings, CommandRunner& runner,
                           std::unique_ptr<PollTimer> timer, std::string toolsFolder = "/usr/bin");
    ~SystemBatteryMenuHider();
    SystemBatteryMenuHider(const SystemBatteryMenuHider&) = delete;
    SystemBatteryMenuHider& operator=(const SystemBatteryMenuHider&) = delete;

    // "tarvelpro.replaceSystemBattery", true when absent. Turning it on hides now (with a
    // restart of the menu-bar processes) and starts enforcing; off stops and restores.
    bool isEnabled() const;
    void setEnabled(bool on);

    // Called at launch with true and by the enforcement timer with false.
    void hideIfNeeded(bool forceReload);
    // Called when the feature goes off and at termination; does nothing unless we hid the item.
    void restoreIfNeeded();
    // Only while enabled: one repeating 45 s timer (10 s tolerance) calling hideIfNeeded(false).
    void startEnforcing();
    void stopEnforcing();
    bool isEnforcing() const { return enforcing_; }

    CommandRunner& runner() { return runner_; }

private:
    friend std::unique_ptr<SystemBatteryMenuHider> makeApplicationBatteryMenuHider(UserDefaults&,
                                                                                   std::string);

    std::optional<std::int64_t> readBatteryPref();
    void writeDefaults(const std::vector<std::string>& arguments);
    std::optional<std::string> runDefaults(const std::vector<std::string>& arguments);
    void reloadControlCenter();

    UserDefaults& settings_;
    std::unique_ptr<CommandRunner> ownedRunner_;
    CommandRunner& runner_;
    std::unique_ptr<PollTimer> timer_;
    std::string defaultsPath_;
    std::string killallPath_;
    bool enforcing_ = false;
};

// The hider as the application builds it: its runner only records the argument lists (the
// latest kApplicationRecordedCalls of them), so no `defaults` or `killall` ever starts on this
// system and reading the system's setting finds nothing; the timer is a Qt one on the calling
// thread.
inline constexpr std::size_t kApplicationRecordedCalls = 64;
std::unique_ptr<SystemBatteryMenuHider> makeApplicationBatteryMenuHider(
    UserDefaults& settings, std::string toolsFolder = "/usr/bin");

// The system's "Battery" value as `defaults read` prints it: trimmed, a decimal integer with an
// optional sign; nothing otherwise.
std::optional<std::int64_t> parseDefaultsInteger(const std::string& output);

}  // namespace tarvel
