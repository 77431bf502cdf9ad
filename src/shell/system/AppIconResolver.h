#pragma once

#include <QHash>
#include <QIcon>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <vector>

namespace tarvel {

struct ProcEnergy;

// The fields of a desktop entry's [Desktop Entry] group that name a program and its icon.
struct DesktopEntryInfo {
    QString id;           // desktop-file id without ".desktop", e.g. "org.gnome.Nautilus"
    QString execProgram;  // Exec's program after env and flatpak/snap wrappers
    QString tryExec;
    QString startupWMClass;
    QString icon;
    bool hidden = false;  // NoDisplay=true or Hidden=true
};

// Reads one entry, at most the first 64 KiB of it; nothing when it is not an application entry.
std::optional<DesktopEntryInfo> readDesktopEntry(const QString& file, const QString& id);
// The program an Exec line starts: its first word, unquoted, past `env VAR=…` and through
// `flatpak run` (the --command, else the app id) and `snap run`.
QString execProgram(const QString& exec);

// Icons for the process list, from the installed desktop entries: the entry whose Exec or
// TryExec program, StartupWMClass or id matches the process, then its Icon from the theme or
// the data folders. Entries are indexed on first use and answers kept per (name, path).
class AppIconResolver {
public:
    // Most important first; the data folders searched for icons are their parents.
    explicit AppIconResolver(QStringList applicationFolders = applicationFoldersFromEnvironment());

    // $XDG_DATA_HOME/applications, then each of $XDG_DATA_DIRS + /applications (defaults
    // ~/.local/share and /usr/local/share:/usr/share).
    static QStringList applicationFoldersFromEnvironment();

    // Null when no entry matches or its icon is nowhere; `path` may be empty.
    QIcon icon(const QString& name, const QString& path);
    QIcon icon(const ProcEnergy& process);

private:
    using Index = std::map<QString, std::vector<int>>;  // lowercase key → entries, in order

    void buildIndex();
    const DesktopEntryInfo* match(const QString& name, const QString& path);
    QIcon iconNamed(const QString& icon) const;

    QStringList applicationFolders_;
    QStringList dataFolders_;
    bool indexed_ = false;
    std::vector<DesktopEntryInfo> entries_;
    Index byExec_, byTryExec_, byWMClass_, byId_;
    QHash<QString, QIcon> cache_;
};

}  // namespace tarvel
