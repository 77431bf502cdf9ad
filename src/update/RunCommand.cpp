#include "update/RunCommand.h"

#include <QProcess>

namespace tarvel {

CommandResult runCommand(const QString& tool, const QStringList& arguments) {
    const QString program = "/usr/bin/" + tool;
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted()) return {-1, "Could not run " + program};
    process.waitForFinished(-1);
    const QString error = QString::fromUtf8(process.readAllStandardError()).trimmed();
    if (process.exitStatus() != QProcess::NormalExit) return {-1, error};
    return {process.exitCode(), error};
}

}  // namespace tarvel
