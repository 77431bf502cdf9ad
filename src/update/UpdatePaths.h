#pragma once

#include <QString>

namespace tarvel {

// Where an update keeps its files. Logs and the result file live in $XDG_STATE_HOME/Tarvel,
// the staged copy in $XDG_CACHE_HOME/Tarvel; each falls back to its XDG default under $HOME.
struct UpdatePaths {
    QString home;
    QString stateDir;  // update.log, update-result.txt
    QString cacheDir;  // update-staging/

    static UpdatePaths fromEnvironment();

    QString logPath() const { return stateDir + "/update.log"; }
    QString resultPath() const { return stateDir + "/update-result.txt"; }
    QString stagingRoot() const { return cacheDir + "/update-staging"; }
    QString stagedCopy() const { return stagingRoot() + "/Tarvel.app"; }
    QString userBundle() const { return home + "/Applications/Tarvel.app"; }
};

// A folder only this user can enter, for the download, the extraction and the helper script:
// $XDG_RUNTIME_DIR/tarvel-update, created 0700, when both folders are this user's own with
// mode 0700; otherwise a fresh 0700 folder under the temporary directory. Removes the
// temporary folders earlier runs left. Empty when no folder can be made.
QString privateWorkDir();

// Appends "[2026-12-05T14:17:13Z] message" to the update log.
void appendUpdateLog(const UpdatePaths& paths, const QString& message);

}  // namespace tarvel
