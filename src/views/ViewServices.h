#pragma once

#include <QIcon>
#include <QString>
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
class PreferencesPane;
class ProcessEnergyStore;
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

    // Where the running program is installed, as the settings section shows it (empty: its
    // folder).
    std::function<QString()> installPathLabel;

    // The assistant's sections and panes, built above the views. Unset, the popover shows no
    // weather or chat section and the preferences show a placeholder pane.
    struct Assistant {
        std::function<QWidget*(QWidget* parent)> weatherSection;
        std::function<QWidget*(QWidget* parent)> chatSection;
        std::function<PreferencesPane*()> weatherPane;
        std::function<PreferencesPane*()> aiPane;
    } assistant;

    // The running application's services and actions.
    static ViewServices forApplication(AppCore& core, AppDelegate& delegate, DashboardPrefs& prefs);
};

// Runs `action` if it is set.
inline void runAction(const std::function<void()>& action) {
    if (action) action();
}

}  // namespace tarvel
