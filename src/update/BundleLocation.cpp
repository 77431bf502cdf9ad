#include "update/BundleLocation.h"

#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include "update/UpdatePaths.h"

namespace tarvel {

QString currentExecutable() {
    return QFileInfo("/proc/self/exe").canonicalFilePath();
}

std::optional<QString> runningBundle(const QString& executable) {
    const QString tail = QString("/") + kBundleName + "/bin/tarvel";
    if (!executable.endsWith(tail)) return std::nullopt;
    return executable.left(executable.size() - QString("/bin/tarvel").size());
}

std::optional<QString> owningPackage(const QString& executable) {
    QProcess dpkg;
    dpkg.setStandardInputFile(QProcess::nullDevice());
    dpkg.start("/usr/bin/dpkg", {"-S", executable});
    if (!dpkg.waitForFinished(30000) || dpkg.exitStatus() != QProcess::NormalExit ||
        dpkg.exitCode() != 0)
        return std::nullopt;
    // "tarvel: /usr/bin/tarvel", or "tarvel:amd64: …" for a package of one architecture.
    const QString line = QString::fromUtf8(dpkg.readAllStandardOutput()).section('\n', 0, 0);
    const QString name = line.section(": ", 0, 0).section(':', 0, 0).trimmed();
    if (name.isEmpty() || name.contains(',')) return std::nullopt;  // a diversion, or several
    return name;
}

bool isSystemBundle(const QString& path) {
    return path.startsWith("/opt/");
}

QString installPathLabel(const QString& executable) {
    const auto bundle = runningBundle(executable);
    if (!bundle) return QFileInfo(executable).path();
    if (isSystemBundle(*bundle)) return "/opt";
    return *bundle;
}

QString installDestination(const QString& bundle, const UpdatePaths& paths) {
    if (bundle.startsWith("/media/") || bundle.startsWith("/run/media/")) return paths.userBundle();
    if (isSystemBundle(bundle)) return kSystemBundle;
    const QString parent = QFileInfo(bundle).path();
    if (::access(QFile::encodeName(parent).constData(), W_OK) == 0) return bundle;
    return paths.userBundle();
}

}  // namespace tarvel
