#pragma once

#include <QString>
#include <optional>

namespace tarvel {

struct UpdatePaths;

struct ReplaceResult {
    std::optional<QString> error;  // the message to show when the swap could not be done or started
    bool opensBeforeQuit = false;  // the new bundle is in place; Tarvel opens it itself
};

// For a path inside '...': each "'" becomes '\''.
QString shellQuote(const QString& path);

struct HelperScriptValues {
    QString log;
    QString result;
    qint64 pid = 0;  // the process to outlive
    QString target;
    QString staged;
};
// The script that waits for Tarvel to quit, copies the new bundle beside the old one, swaps
// them, records the result and starts the new program.
QString helperScriptText(const HelperScriptValues& values);

// The command run through pkexec for the system-wide bundle.
QString privilegedCommand(const QString& staged, const QString& target);

// The message for a pkexec run that did not succeed.
QString privilegedFailureText(int status);

// Stages `bundle` and swaps it into `destination`: through pkexec for /opt (done before Tarvel
// quits), otherwise through the helper script written to `workDir` and started in its own
// session, which waits for process `pid` to end.
ReplaceResult replaceApp(const QString& bundle, const QString& destination,
                         const UpdatePaths& paths, const QString& workDir, qint64 pid);

}  // namespace tarvel
