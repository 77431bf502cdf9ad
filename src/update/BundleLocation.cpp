#include "update/BundleLocation.h"

#include <unistd.h>

#include <QFile>
#include <QFileInfo>

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

bool isPackagedInstall(const QString& executable) {
    return executable.startsWith("/usr/");
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
