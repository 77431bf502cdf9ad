#pragma once

#include <QIcon>
#include <functional>
#include <string>

namespace tarvel {

class AppCore;
class AppDelegate;
class ChargeLimitController;
class Clock;
class DashboardPrefs;
class DrainAlertMonitor;
class DrainLog;
class LaunchAtLoginHelper;
class LowPowerMode;
class MenuPanelModel;
class PowerStore;
class ProcessEnergyStore;
class SystemBatteryMenuHider;
class UserDefaults;
struct ProcEnergy;

// What the views read and what they may ask for, handed to each root view. The services
// outlive every view; the actions may be empty in tests (the views then do nothing).
struct ViewServices {
    UserDefaults& settings;
    Clock& clock;
    PowerStore& power;
    ProcessEnergyStore& energy;
    DrainLog& drainLog;
    DrainAlertMonitor& drainAlerts;
    ChargeLimitController& charge;
    MenuPanelModel& panel;
    LowPowerMode& lowPower;
    DashboardPrefs& prefs;
    SystemBatteryMenuHider* hider = nullptr;
    LaunchAtLoginHelper* loginItem = nullptr;

    struct Actions {
        std::function<void()> checkForUpdates;
        std::function<void()> openWebsite;
        // The companion application's button; its title comes with it.
        std::function<void()> openTarvelPro;
        std::string tarvelProTitle = "Get Tarvel Pro";
        std::function<void()> openOmbrel;
        std::string ombrelTitle = "Get Ombrel";
        std::function<bool()> openBatterySettings;
        std::function<void()> revealDataFolder;
        std::function<void()> quit;
        // The icon of a listed process (null: the views draw a generic glyph).
        std::function<QIcon(const ProcEnergy&)> appIcon;
    } actions;

    // The running application's services and actions.
    static ViewServices forApplication(AppCore& core, AppDelegate& delegate, DashboardPrefs& prefs);
};

// Runs `action` if it is set.
inline void runAction(const std::function<void()>& action) {
    if (action) action();
}

}  // namespace tarvel
