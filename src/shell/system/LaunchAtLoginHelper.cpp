#include "shell/system/LaunchAtLoginHelper.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <cstdio>

#include "base/UserDefaults.h"
#include "shell/ApplicationId.h"

namespace tarvel {

namespace {

QString entryFileName() {
    return QString::fromUtf8(kApplicationId) + ".desktop";
}

// Whether the session would start this entry: readable, and not switched off in its
// [Desktop Entry] group.
bool entrySaysEnabled(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    bool inMainGroup = false;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup) continue;
        const qsizetype equals = line.indexOf('=');
        if (equals < 0) continue;
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed();
        if (key == "Hidden" && value == "true") return false;
        if (key == "X-GNOME-Autostart-enabled" && value == "false") return false;
    }
    return true;
}

bool isEntryFile(const QString& path) {
    return QFileInfo(path).isFile();
}

}  // namespace

AutostartFolders AutostartFolders::fromEnvironment() {
    AutostartFolders folders;
    folders.user =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/autostart";
    QStringList dirs;
    // Relative entries are invalid and ignored.
    for (const QString& dir :
         qEnvironmentVariable("XDG_CONFIG_DIRS").split(':', Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(dir)) dirs << dir;
    if (dirs.isEmpty()) dirs << "/etc/xdg";
    for (const QString& dir : dirs) folders.system << dir + "/autostart";
    return folders;
}

LaunchAtLoginHelper::LaunchAtLoginHelper(UserDefaults& settings, QString programPath,
                                         AutostartFolders folders, LogSink log)
    : settings_(settings),
      programPath_(std::move(programPath)),
      folders_(std::move(folders)),
      log_(std::move(log)) {
    if (!log_)
        log_ = [](const QString& line) { std::fprintf(stderr, "%s\n", qUtf8Printable(line)); };
}

QString LaunchAtLoginHelper::userEntryPath() const {
    return folders_.user + "/" + entryFileName();
}

QString LaunchAtLoginHelper::systemEntryPath() const {
    for (const QString& folder : folders_.system) {
        const QString path = folder + "/" + entryFileName();
        if (isEntryFile(path)) return path;
    }
    return {};
}

bool LaunchAtLoginHelper::isEnabled() const {
    // A user entry of the same name replaces the system-wide one entirely.
    const QString user = userEntryPath();
    if (QFileInfo::exists(user)) return isEntryFile(user) && entrySaysEnabled(user);
    const QString system = systemEntryPath();
    return !system.isEmpty() && entrySaysEnabled(system);
}

void LaunchAtLoginHelper::setEnabled(bool on) {
    settings_.setBool(kLaunchAtLogin, on);
    apply(on);
}

void LaunchAtLoginHelper::syncFromSystem() {
    settings_.setBool(kLaunchAtLogin, isEnabled());
}

void LaunchAtLoginHelper::apply(bool on) {
    if (on == isEnabled()) return;
    QString error;
    bool ok = true;
    if (on) {
        ok = writeUserEntry(false, &error);
    } else if (!systemEntryPath().isEmpty()) {
        // Deleting ours would leave the system-wide entry in force.
        ok = writeUserEntry(true, &error);
    } else {
        QFile file(userEntryPath());
        ok = file.remove();
        if (!ok) error = userEntryPath() + ": " + file.errorString();
    }
    if (!ok) log_("Tarvel LaunchAtLogin: " + error);
}

bool LaunchAtLoginHelper::writeUserEntry(bool hidden, QString* error) const {
    if (!QDir().mkpath(folders_.user)) {
        *error = "cannot create the folder " + folders_.user;
        return false;
    }
    QSaveFile file(userEntryPath());
    if (!file.open(QIODevice::WriteOnly)) {
        *error = userEntryPath() + ": " + file.errorString();
        return false;
    }
    file.write(desktopEntry(programPath_, hidden).toUtf8());
    if (!file.commit()) {
        *error = userEntryPath() + ": " + file.errorString();
        return false;
    }
    return true;
}

QString LaunchAtLoginHelper::execArgument(const QString& argument) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = argument.isEmpty();
    for (QChar c : argument) quote = quote || reserved.contains(c);
    QString quoted;
    if (quote) {
        quoted += '"';
        for (QChar c : argument) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
            quoted += c;
        }
        quoted += '"';
    } else {
        quoted = argument;
    }
    // The string-value escapes apply before the quoting is read, and % starts a field code.
    QString escaped;
    for (QChar c : quoted) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '\n')
            escaped += "\\n";
        else if (c == '\t')
            escaped += "\\t";
        else if (c == '\r')
            escaped += "\\r";
        else if (c == '%')
            escaped += "%%";
        else
            escaped += c;
    }
    return escaped;
}

QString LaunchAtLoginHelper::desktopEntry(const QString& programPath, bool hidden) {
    QString text = QStringLiteral(
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Tarvel\n"
        "Comment=Battery monitor in the system tray\n");
    text += "Exec=" + execArgument(programPath) + " " + kAutostartArgument + "\n";
    text += "Icon=" + QString::fromUtf8(kApplicationId) + "\n";
    text += QStringLiteral("Terminal=false\n");
    if (hidden) text += QStringLiteral("Hidden=true\n");
    return text;
}

}  // namespace tarvel
