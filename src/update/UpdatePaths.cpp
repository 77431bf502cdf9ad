#include "update/UpdatePaths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace tarvel {

namespace {

QString xdgDir(const char* variable, const QString& home, const char* fallback) {
    const QString value = qEnvironmentVariable(variable);
    // Relative values are invalid by the XDG rules and ignored.
    return (QDir::isAbsolutePath(value) ? value : home + "/" + fallback) + "/Tarvel";
}

// A folder that is ours alone: a real directory (not a link), owned by us, mode 0700.
bool isPrivateFolder(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0) return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 0077) == 0;
}

}  // namespace

UpdatePaths UpdatePaths::fromEnvironment() {
    const QString home = QDir::homePath();
    return {home, xdgDir("XDG_STATE_HOME", home, ".local/state"),
            xdgDir("XDG_CACHE_HOME", home, ".cache")};
}

QString privateWorkDir() {
    // Folders of earlier runs (a helper script runs from there after Tarvel quit).
    const QString temp = QDir::tempPath();
    for (const QString& name : QDir(temp).entryList({"tarvel-update-*"}, QDir::Dirs | QDir::Hidden))
        if (isPrivateFolder(temp + "/" + name)) QDir(temp + "/" + name).removeRecursively();
    // The runtime folder itself must be ours alone: whoever owns it could rename our files.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && isPrivateFolder(runtime)) {
        const QString folder = runtime + "/tarvel-update";
        ::mkdir(QFile::encodeName(folder).constData(), 0700);
        if (isPrivateFolder(folder)) return folder;
    }
    QTemporaryDir made(temp + "/tarvel-update-XXXXXX");
    if (!made.isValid()) return {};
    made.setAutoRemove(false);
    return made.path();
}

void appendUpdateLog(const UpdatePaths& paths, const QString& message) {
    QDir().mkpath(paths.stateDir);
    QFile log(paths.logPath());
    if (!log.open(QIODevice::Append | QIODevice::WriteOnly)) return;
    const QString stamp = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    log.write(("[" + stamp + "] " + message + "\n").toUtf8());
}

}  // namespace tarvel
