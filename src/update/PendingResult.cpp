#include "update/PendingResult.h"

#include <QFile>
#include <QStringDecoder>

#include "base/RegularFile.h"

namespace tarvel {

namespace {

constexpr std::size_t kResultFileLimit = 64 * 1024;

}  // namespace

std::optional<QString> unfinishedUpdateMessage(const QString& resultText) {
    const QString line = resultText.trimmed();
    if (line.isEmpty()) return std::nullopt;
    const qsizetype bar = line.indexOf('|');
    const QString status = bar < 0 ? line : line.left(bar);
    if (status == "ok") return std::nullopt;
    if (bar < 0) return QString("The update helper did not finish successfully.");
    return line.mid(bar + 1);
}

std::optional<QString> takeResultFile(const QString& path) {
    const auto bytes = readRegularFileText(QFile::encodeName(path).toStdString(), kResultFileLimit);
    if (!bytes) return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(QByteArray::fromStdString(*bytes));
    if (utf8.hasError()) return std::nullopt;
    QFile::remove(path);
    return text;
}

}  // namespace tarvel
