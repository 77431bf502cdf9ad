#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace tarvel {

// One way to start a settings application: a program looked up on PATH and its arguments.
struct SettingsCommand {
    QString program;
    QStringList arguments;

    bool operator==(const SettingsCommand&) const = default;
};

// What to try for the power settings, in order: the power pages of the desktops named in
// `currentDesktop` (XDG_CURRENT_DESKTOP: colon-separated, any case), then the other desktops'
// power pages, then plain settings applications.
std::vector<SettingsCommand> batterySettingsCommands(const QString& currentDesktop);

// Opens the desktop's power settings with the first candidate whose program is installed and
// starts.
class BatterySettingsOpener {
public:
    using Exists = std::function<bool(const QString& program)>;
    // True when the command was started (detached).
    using Launch = std::function<bool(const SettingsCommand& command)>;

    BatterySettingsOpener(QString currentDesktop, Exists exists, Launch launch);

    // The running session: its XDG_CURRENT_DESKTOP and PATH.
    static BatterySettingsOpener forSession();
    // Looks programs up in `searchPath` (PATH-style, colon-separated) and starts them detached.
    static BatterySettingsOpener forEnvironment(const QString& currentDesktop,
                                                const QString& searchPath);

    // The command that was started; nothing when no candidate is installed or none started.
    std::optional<SettingsCommand> open() const;

private:
    QString currentDesktop_;
    Exists exists_;
    Launch launch_;
};

}  // namespace tarvel
