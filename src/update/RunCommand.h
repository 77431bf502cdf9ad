#pragma once

#include <QString>
#include <QStringList>

namespace tarvel {

struct CommandResult {
    int status = -1;
    QString error;  // standard error, trimmed
};

// Runs /usr/bin/<tool> and waits; standard output is discarded. Status -1 with
// "Could not run /usr/bin/<tool>" when it cannot start.
CommandResult runCommand(const QString& tool, const QStringList& arguments);

}  // namespace tarvel
