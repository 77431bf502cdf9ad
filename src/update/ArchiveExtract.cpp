#include "update/ArchiveExtract.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>

#include "update/BundleLocation.h"
#include "update/RunCommand.h"

namespace tarvel {

namespace {

// unzip's standard output (runCommand drops it).
std::optional<QString> unzipListing(const QString& archive, const QString& format, QString& error) {
    QProcess process;
    process.start("/usr/bin/unzip", {format, archive});
    if (!process.waitForStarted()) {
        error = "Could not run /usr/bin/unzip";
        return std::nullopt;
    }
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        error = QString::fromUtf8(process.readAllStandardError()).trimmed();
        if (error.isEmpty()) error = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

bool escapesFolder(const QString& entry) {
    if (entry.startsWith('/') || entry.startsWith('\\')) return true;
    const auto parts = QString(entry).replace('\\', '/').split('/');
    return parts.contains("..");
}

}  // namespace

std::optional<QString> refusedArchiveEntries(const QString& archive) {
    QString error;
    const auto names = unzipListing(archive, "-Z1", error);
    if (!names) return error;
    for (const QString& name : names->split('\n', Qt::SkipEmptyParts)) {
        if (escapesFolder(name))
            return "the archive holds an entry outside its folder (" + name + ")";
    }
    // The long listing starts each entry with its Unix mode; "l" is a symbolic link.
    const auto details = unzipListing(archive, "-Z", error);
    if (!details) return error;
    for (const QString& line : details->split('\n', Qt::SkipEmptyParts)) {
        if (line.size() > 1 && line[0] == 'l' && (line[1] == 'r' || line[1] == '-'))
            return "the archive holds a symbolic link (" + line.section(' ', -1) + ")";
    }
    return std::nullopt;
}

std::optional<QString> extractApp(const QString& archive, const QString& folder) {
    QDir().mkpath(folder);
    if (const auto refused = refusedArchiveEntries(archive)) return refused;
    const CommandResult unzip = runCommand("unzip", {"-qo", archive, "-d", folder});
    if (unzip.status == 0) return std::nullopt;
    return unzip.error;
}

std::optional<QString> findAppBundle(const QString& folder) {
    QDirIterator it(folder, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        if (info.fileName() == kBundleName && !info.isSymLink() && info.isDir())
            return info.filePath();
    }
    return std::nullopt;
}

}  // namespace tarvel
