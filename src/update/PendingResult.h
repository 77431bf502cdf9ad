#pragma once

#include <QString>
#include <optional>

namespace tarvel {

// The one-line result an update leaves behind ("status|message"). The message to report, or
// nothing when the last update finished ("ok") or the file held only blank lines.
std::optional<QString> unfinishedUpdateMessage(const QString& resultText);

// Reads the result file (small, regular, UTF-8) and deletes it. Nothing when there was none
// or it could not be read; such a file is left in place.
std::optional<QString> takeResultFile(const QString& path);

}  // namespace tarvel
