#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace tarvel {

// What the download left behind, checked before anything is unpacked.
struct DownloadOutcome {
    std::optional<QString> error;   // a transport failure (no HTTP answer)
    std::optional<int> statusCode;  // the HTTP status, when one arrived
};

// The smallest archive a real Tarvel.app makes.
inline constexpr std::int64_t kMinimumArchiveBytes = 40000;

// The failure message for a downloaded archive, first problem first (status before the file,
// then HTML, the ZIP signature, the size); nothing when it looks like a real archive. `log`
// receives the "Downloaded … bytes" line.
std::optional<QString> validateDownload(const DownloadOutcome& outcome, const QString& archivePath,
                                        const QString& name, const QString& pageLabel,
                                        const std::function<void(const QString&)>& log);

// "512 B", "40 KB", "1.5 MB".
QString formatBytes(std::int64_t bytes);

// The progress window's detail line while downloading.
QString downloadProgressText(std::int64_t received, std::int64_t expected, const QString& version);
// The bar's value in percent, truncated and capped at 100.
int downloadPercent(std::int64_t received, std::int64_t expected);

}  // namespace tarvel
