#include "update/ArchiveExtract.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>

#include "update/BundleLocation.h"

namespace tarvel {

namespace {

struct UnzipRun {
    bool ok = false;
    QString output;  // standard output
    QString error;   // standard error, else standard output, when it failed
};

// Runs unzip in its own session with no terminal and no input, so an encrypted archive cannot
// wait for a password; `fileLimit` caps each file it writes.
UnzipRun unzip(const QStringList& arguments, int deadlineMs, qint64 fileLimit = 0) {
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setChildProcessModifier([fileLimit] {
        ::setsid();
        if (fileLimit > 0) {
            const rlimit limit{rlim_t(fileLimit), rlim_t(fileLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
    });
    process.start("/usr/bin/unzip", arguments);
    if (!process.waitForStarted()) return {false, {}, "Could not run /usr/bin/unzip"};
    if (!process.waitForFinished(deadlineMs)) {
        process.kill();
        process.waitForFinished(-1);
        return {false, {}, "unzip did not finish in time"};
    }
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return {true, out, {}};
    const QString err = QString::fromUtf8(process.readAllStandardError()).trimmed();
    return {false, out, err.isEmpty() ? out.trimmed() : err};
}

bool escapesFolder(const QString& entry) {
    if (entry.startsWith('/') || entry.startsWith('\\')) return true;
    const auto parts = QString(entry).replace('\\', '/').split('/');
    return parts.contains("..");
}

}  // namespace

std::optional<QString> refusedArchiveEntries(const QString& archive, const UpdateLimits& limits) {
    const UnzipRun names = unzip({"-Z1", archive}, limits.unpackDeadlineMs);
    if (!names.ok) return names.error;
    for (const QString& name : names.output.split('\n', Qt::SkipEmptyParts)) {
        if (escapesFolder(name))
            return "the archive holds an entry outside its folder (" + name + ")";
    }
    // The long listing starts each entry with its Unix mode; "l" is a symbolic link. Entries
    // made elsewhere show other modes: the unpacked tree is checked again below.
    const UnzipRun details = unzip({"-Z", archive}, limits.unpackDeadlineMs);
    if (!details.ok) return details.error;
    for (const QString& line : details.output.split('\n', Qt::SkipEmptyParts)) {
        if (line.size() > 1 && line[0] == 'l' && (line[1] == 'r' || line[1] == '-'))
            return "the archive holds a symbolic link (" + line.section(' ', -1) + ")";
    }
    // "2 files, 7 bytes uncompressed, 7 bytes compressed:  0.0%"
    const UnzipRun totals = unzip({"-Zt", archive}, limits.unpackDeadlineMs);
    if (!totals.ok) return totals.error;
    const qint64 total = totals.output.section(' ', 2, 2).toLongLong();
    if (total > limits.unpackedBytes)
        return "the archive unpacks to more than " + QString::number(limits.unpackedBytes) +
               " bytes";
    return std::nullopt;
}

std::optional<QString> refusedUnpackedEntries(const QString& folder, qint64 maxBytes) {
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    qint64 total = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = QDir(folder).relativeFilePath(path);
        struct stat info {};
        if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
            return "could not read " + name;
        if (S_ISLNK(info.st_mode)) return "the archive holds a symbolic link (" + name + ")";
        if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
            return "the archive holds a special file (" + name + ")";
        total += info.st_size;
        if (total > maxBytes)
            return "the archive unpacks to more than " + QString::number(maxBytes) + " bytes";
    }
    return std::nullopt;
}

std::optional<QString> extractApp(const QString& archive, const QString& folder,
                                  const UpdateLimits& limits) {
    QDir().mkpath(folder);
    if (const auto refused = refusedArchiveEntries(archive, limits)) return refused;
    const UnzipRun run =
        unzip({"-qo", archive, "-d", folder}, limits.unpackDeadlineMs, limits.unpackedBytes);
    if (!run.ok) return run.error;
    return refusedUnpackedEntries(folder, limits.unpackedBytes);
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

bool hasLauncher(const QString& bundle) {
    struct stat info {};
    return ::lstat(QFile::encodeName(bundle + "/bin/tarvel").constData(), &info) == 0 &&
           S_ISREG(info.st_mode) && (info.st_mode & S_IXUSR);
}

}  // namespace tarvel
