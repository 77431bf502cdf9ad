#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace tarvel {

class UserDefaults;

// The toggles' cache of whether the application starts at login; the autostart entry is the
// truth.
inline constexpr const char* kLaunchAtLogin = "tarvelpro.launchAtLogin";

// Where autostart entries live: the user's folder wins over the system-wide ones, which are
// listed most important first.
struct AutostartFolders {
    QString user;
    QStringList system;

    // $XDG_CONFIG_HOME/autostart, and each of $XDG_CONFIG_DIRS (default /etc/xdg) + /autostart.
    static AutostartFolders fromEnvironment();
};

// Starts the application at login through an XDG autostart entry named after the application
// id, and mirrors whether it does into "tarvelpro.launchAtLogin".
class LaunchAtLoginHelper {
public:
    // Tells the application it was started by the session at login.
    static constexpr const char* kAutostartArgument = "--autostart";

    // Receives each failure as one line, without a line end.
    using LogSink = std::function<void(const QString& line)>;

    // `programPath` is what the entry starts.
    LaunchAtLoginHelper(UserDefaults& settings, QString programPath,
                        AutostartFolders folders = AutostartFolders::fromEnvironment(),
                        LogSink log = {});

    // True when the entry that applies (the user's, else a system-wide one) exists and is not
    // switched off with Hidden=true or X-GNOME-Autostart-enabled=false.
    bool isEnabled() const;
    // Stores the flag, then apply(on).
    void setEnabled(bool on);
    // Makes the entry match `on`; does nothing when it already does. A failure is logged as
    // "Tarvel LaunchAtLogin: <reason>" and the stored flag is left as it is.
    void apply(bool on);
    // Stores what the entries say, at launch, so the toggles start right.
    void syncFromSystem();

    QString userEntryPath() const;

    // The entry's text; `hidden` switches off a system-wide entry of the same name.
    static QString desktopEntry(const QString& programPath, bool hidden);
    // One argument of an Exec line: quoted when it has a reserved character, then escaped as a
    // string value, with % doubled.
    static QString execArgument(const QString& argument);

private:
    QString systemEntryPath() const;
    bool writeUserEntry(bool hidden, QString* error) const;

    UserDefaults& settings_;
    QString programPath_;
    AutostartFolders folders_;
    LogSink log_;
};

}  // namespace tarvel
