#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <optional>

namespace tarvel::test {

// Empty when desktop-file-validate accepts the file without a word; its complaint otherwise.
inline std::optional<QString> validatorComplaint(const QString& path) {
    const QString tool = QStandardPaths::findExecutable("desktop-file-validate");
    if (tool.isEmpty()) return std::nullopt;
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(tool, {path});
    if (!p.waitForFinished(60000)) return QString("did not finish");
    const QString out = QString::fromUtf8(p.readAll());
    return p.exitCode() == 0 && out.trimmed().isEmpty() ? QString() : out;
}

}  // namespace tarvel::test
