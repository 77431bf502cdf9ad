#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QNetworkAccessManager;

namespace tarvel {

// Where a file operation ended: the file written, or why nothing was.
struct PlusFileResult {
    QString path;
    QString error;  // empty on success
    bool ok() const { return error.isEmpty(); }
};

// What a download from a link may cost.
struct PlusDownloadLimits {
    qint64 maxBytes = 512ll * 1024 * 1024;
    int totalMs = 10 * 60 * 1000;
    int idleMs = 60 * 1000;
};

namespace PlusFileDownloads {

// The user's Downloads folder, else ~/Downloads.
QString downloadsDirectory();

// folder/name.ext, or name-2.ext, name-3.ext, … for the first one not taken. "/" and ":" in
// the name become "-".
QString uniqueURL(const QString& folder, const QString& name, const QString& ext);

// Writes the text as UTF-8 under the first free name of uniqueURL. The file appears whole, and
// never in place of one that appeared meanwhile.
PlusFileResult saveText(const QString& folder, const QString& text, const QString& suggestedName,
                        const QString& ext = QStringLiteral("txt"));

// Shows the file selected in the file manager (or, without one, opens its folder).
void reveal(const QString& path);

// A save dialog (top-level, so it does not close a popup) named `defaultName` with the
// extension, in the Downloads folder; writes the contents where the user confirms and reveals
// the file.
void savePanel(const QString& defaultName, const QString& ext, const QString& contents);

// The http and https links of a message, in order.
QStringList urls(const QString& text);

// The name a link's file is stored under: its last path segment, made harmless: no folder
// separators, controls or format characters, not ".." and not hidden; "download" when nothing
// is left.
QString fileNameForLink(const QString& urlString);

// Moves `source` to folder/stem.ext or stem-2.ext, … (stem-2 without an extension) without ever
// replacing a file that exists, whoever made it. The moved path, or the error.
PlusFileResult placeWithoutOverwrite(const QString& source, const QString& folder,
                                     const QString& fileName);

// Fetches an http or https link into the folder, streamed to a partial file and moved into
// place once complete. `done` runs once, from the event loop.
void downloadRemote(QNetworkAccessManager& network, const QString& folder, const QString& urlString,
                    const PlusDownloadLimits& limits,
                    std::function<void(const PlusFileResult&)> done);

}  // namespace PlusFileDownloads

}  // namespace tarvel
