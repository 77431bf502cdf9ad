#pragma once

#include <QString>

namespace tarvel {

// The update's modal alerts. Texts are plain (a manifest's text is never HTML); the default
// and the escape button are set explicitly because desktops order buttons by role. Each
// returns true when the user chose the first (default) button.

bool askToInstall(const QString& current, const QString& candidate);  // "Install Update"
void showUpToDate(const QString& current);
void showCouldNotCheck(const QString& host);
bool showPreviousUpdateFailed(const QString& message, const QString& logPath,
                              const QString& pageLabel);  // "Open Website"
bool showUpdateFailed(const QString& message);            // "Open Website"
void showUpdateInstalled(const QString& version);
// A Tarvel the package manager installed is upgraded there.
bool showPackagedInstall(const QString& candidate, const QString& package);  // "Open Website"
// A build tree or an install from source in `folder`.
bool showNotReplaceable(const QString& candidate, const QString& folder);  // "Open Website"

}  // namespace tarvel
