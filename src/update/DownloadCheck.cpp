#include "update/DownloadCheck.h"

#include <QFile>
#include <QFileInfo>

namespace tarvel {

std::optional<QString> validateDownload(const DownloadOutcome& outcome, const QString& archivePath,
                                        const QString& name, const QString& pageLabel,
                                        const std::function<void(const QString&)>& log) {
    if (outcome.error) return "Could not download " + name + ": " + *outcome.error;
    if (outcome.statusCode && *outcome.statusCode != 0 && *outcome.statusCode != 200)
        return "Server returned HTTP " + QString::number(*outcome.statusCode) + " for " + name +
               ". Download manually from " + pageLabel + ".";
    const QFileInfo info(archivePath);
    if (!info.exists()) return "Download did not save " + name + ".";
    const std::int64_t size = info.size();
    if (log) log("Downloaded " + name + ": " + QString::number(size) + " bytes");
    QFile file(archivePath);
    const QByteArray head = file.open(QIODevice::ReadOnly) ? file.read(64) : QByteArray();
    if (head.size() >= 2 && head[0] == '<')
        return QString("Got HTML instead of App ZIP. File may be missing on the server.");
    if (head.size() < 4 || head[0] != 'P' || head[1] != 'K')
        return QString("Downloaded file is not a valid ZIP.");
    if (size < kMinimumArchiveBytes)
        return "Downloaded package is too small (" + QString::number(size) + " bytes).";
    return std::nullopt;
}

QString formatBytes(std::int64_t bytes) {
    if (bytes < 1024) return QString::number(bytes) + " B";
    if (bytes < 1048576) return QString::asprintf("%.0f KB", double(bytes) / 1024.0);
    return QString::asprintf("%.1f MB", double(bytes) / 1048576.0);
}

int downloadPercent(std::int64_t received, std::int64_t expected) {
    if (expected < 1) return 0;
    const double percent = double(received) / double(expected) * 100.0;
    return percent >= 100.0 ? 100 : static_cast<int>(percent);
}

QString downloadProgressText(std::int64_t received, std::int64_t expected, const QString& version) {
    if (expected < 1) return formatBytes(received) + " downloaded · " + version;
    return QString::number(downloadPercent(received, expected)) + "% · " + formatBytes(received) +
           " of " + formatBytes(expected);
}

}  // namespace tarvel
