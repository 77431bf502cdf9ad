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
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir()) {
        const QString folder = runtime + "/tarvel-update";
        ::mkdir(QFile::encodeName(folder).constData(), 0700);
        if (isPrivateFolder(folder)) return folder;
    }
    // Kept until the next run, like the folder above: the helper script runs from it.
    QTemporaryDir made(QDir::tempPath() + "/tarvel-update-XXXXXX");
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
