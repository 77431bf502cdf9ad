#include "base/SupportPaths.h"

#include <QDir>
#include <QStandardPaths>

namespace tarvel {

std::string supportDir() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString dir = (base.isEmpty() ? QDir::homePath() + "/.local/share" : base) + "/Tarvel";
    QDir().mkpath(dir);
    return dir.toStdString();
}

}  // namespace tarvel
