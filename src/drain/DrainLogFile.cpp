#include "drain/DrainLogFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <nlohmann/json.hpp>

#include "drain/IsoTime.h"
#include "drain/LineScan.h"

namespace tarvel::drain_file {

namespace {

bool writeAll(QFileDevice& file, std::string_view bytes) {
    return file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
           static_cast<qint64>(bytes.size());
}

// The slow, exact test of one line.
bool keepParsed(std::string_view line, double cutoff) {
    auto j = nlohmann::json::parse(line.begin(), line.end(), nullptr, false);
    if (!j.is_object()) return false;
    auto t = j.find("t");
    if (t == j.end() || !t->is_string()) return false;
    const auto time = parseIsoTime(t->get_ref<const std::string&>());
    return time && static_cast<double>(*time) >= cutoff;
}

}  // namespace

AppendResult appendBytes(const std::string& path, std::string_view bytes) {
    const QString name = QString::fromStdString(path);
    for (int attempt = 0; attempt < 2; ++attempt) {
        QFile existing(name);
        if (existing.exists()) {
            // One unbuffered write of the whole line, so concurrent readers see it whole or not.
            if (!existing.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly |
                               QIODevice::Unbuffered))
                return AppendResult::Dropped;
            writeAll(existing, bytes);
            return AppendResult::Appended;
        }
        QFile fresh(name);
        if (fresh.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
            writeAll(fresh, bytes);
            return AppendResult::Created;
        }
        // Created by someone else in between (or impossible to create): look again once.
    }
    return AppendResult::Dropped;
}

PruneOutcome pruneText(std::string_view text, double cutoff) {
    PruneOutcome out;
    out.text.reserve(text.size() + 1);
    const std::string boundary = quickBoundary(cutoff);
    forEachLine(text, [&](std::string_view line) {
        bool keep;
        const std::string_view t = boundary.empty() ? std::string_view() : quickTime(line);
        if (!t.empty()) {
            // Lines in this program's own shape: the time decides by its text, and only the
            // lines kept need a full (but allocation-free) validation.
            keep = t >= std::string_view(boundary) && parseIsoTime(t) &&
                   (certainlyValidJson(line) || nlohmann::json::accept(line.begin(), line.end()));
        } else {
            keep = keepParsed(line, cutoff);
        }
        if (keep) {
            out.text.append(line);
            out.text.push_back('\n');
        }
    });
    out.changed = std::string_view(out.text) != text;
    return out;
}

bool replaceAtomically(const std::string& path, std::string_view bytes,
                       const BeforeReplace& beforeReplace) {
    QSaveFile file(QString::fromStdString(path));
    // Never fall back to writing the file in place: that is exactly what could lose history.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (!writeAll(file, bytes)) {
        file.cancelWriting();
        file.commit();
        return false;
    }
    if (beforeReplace) beforeReplace();
    return file.commit();
}

void prunePass(const std::string& path, double cutoff, const BeforeReplace& beforeReplace) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return;
    file.close();
    const PruneOutcome outcome = pruneText(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), cutoff);
    if (!outcome.changed) return;
    replaceAtomically(path, outcome.text, beforeReplace);
}

void removeStaleTemporaries(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    QDir dir = info.absoluteDir();
    // QSaveFile names its temporary "<name>.XXXXXX".
    const QStringList leftovers =
        dir.entryList({info.fileName() + ".??????"}, QDir::Files | QDir::Hidden);
    for (const QString& name : leftovers) dir.remove(name);
}

}  // namespace tarvel::drain_file
