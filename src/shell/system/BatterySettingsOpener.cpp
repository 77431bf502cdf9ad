#include "shell/system/BatterySettingsOpener.h"

#include <QProcess>
#include <QStandardPaths>
#include <algorithm>

namespace tarvel {

namespace {

struct DesktopFamily {
    QStringList names;  // lowercase XDG_CURRENT_DESKTOP entries
    std::vector<SettingsCommand> powerPages;
};

// In the order the other desktops' pages are tried when the running one has none.
const std::vector<DesktopFamily>& desktopFamilies() {
    static const std::vector<DesktopFamily> families = {
        {{"gnome", "ubuntu", "unity", "gnome-flashback", "gnome-classic", "pop", "cosmic", "zorin",
          "pantheon"},
         {{"gnome-control-center", {"power"}}}},
        {{"kde"},
         {{"systemsettings", {"kcm_powerdevilprofilesconfig"}},
          {"systemsettings5", {"powerdevilprofilesconfig"}}}},
        {{"xfce"}, {{"xfce4-power-manager-settings", {}}}},
        {{"mate"}, {{"mate-power-preferences", {}}}},
        {{"x-cinnamon", "cinnamon"}, {{"cinnamon-settings", {"power"}}}},
        // Budgie forked the GNOME panel; older releases still ship GNOME's.
        {{"budgie", "budgie-desktop"},
         {{"budgie-control-center", {"power"}}, {"gnome-control-center", {"power"}}}},
        {{"lxqt"}, {{"lxqt-config-powermanagement", {}}}},
    };
    return families;
}

// Settings applications without a power page to jump to: better than nothing.
const std::vector<SettingsCommand>& settingsApplications() {
    static const std::vector<SettingsCommand> apps = {
        {"gnome-control-center", {}},   {"systemsettings", {}},      {"systemsettings5", {}},
        {"xfce4-settings-manager", {}}, {"mate-control-center", {}}, {"cinnamon-settings", {}},
        {"budgie-control-center", {}},  {"lxqt-config", {}},
    };
    return apps;
}

void appendOnce(std::vector<SettingsCommand>& list, const std::vector<SettingsCommand>& more) {
    for (const SettingsCommand& c : more)
        if (std::find(list.begin(), list.end(), c) == list.end()) list.push_back(c);
}

}  // namespace

std::vector<SettingsCommand> batterySettingsCommands(const QString& currentDesktop) {
    std::vector<SettingsCommand> list;
    for (const QString& raw : currentDesktop.split(':', Qt::SkipEmptyParts)) {
        const QString name = raw.trimmed().toLower();
        for (const DesktopFamily& family : desktopFamilies())
            if (family.names.contains(name)) appendOnce(list, family.powerPages);
    }
    for (const DesktopFamily& family : desktopFamilies()) appendOnce(list, family.powerPages);
    appendOnce(list, settingsApplications());
    return list;
}

BatterySettingsOpener::BatterySettingsOpener(QString currentDesktop, Exists exists, Launch launch)
    : currentDesktop_(std::move(currentDesktop)),
      exists_(std::move(exists)),
      launch_(std::move(launch)) {}

BatterySettingsOpener BatterySettingsOpener::forSession() {
    return forEnvironment(qEnvironmentVariable("XDG_CURRENT_DESKTOP"),
                          qEnvironmentVariable("PATH"));
}

BatterySettingsOpener BatterySettingsOpener::forEnvironment(const QString& currentDesktop,
                                                            const QString& searchPath) {
    const QStringList folders = searchPath.split(':', Qt::SkipEmptyParts);
    // An empty PATH would make findExecutable search the process's own PATH.
    auto find = [folders](const QString& program) {
        return folders.isEmpty() ? QString() : QStandardPaths::findExecutable(program, folders);
    };
    return BatterySettingsOpener(
        currentDesktop, [find](const QString& program) { return !find(program).isEmpty(); },
        [find](const SettingsCommand& command) {
            const QString path = find(command.program);
            return !path.isEmpty() && QProcess::startDetached(path, command.arguments);
        });
}

std::optional<SettingsCommand> BatterySettingsOpener::open() const {
    for (const SettingsCommand& command : batterySettingsCommands(currentDesktop_))
        if (exists_(command.program) && launch_(command)) return command;
    return std::nullopt;
}

}  // namespace tarvel
