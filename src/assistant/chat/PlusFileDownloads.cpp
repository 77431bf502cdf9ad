#include "assistant/chat/PlusFileDownloads.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QUrl>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "assistant/chat/PlusLinkDetector.h"

namespace tarvel::PlusFileDownloads {

namespace {

constexpr int kMaxCollisions = 10000;
// Room for "-NNNN" and the partial-file decoration within a file system's 255 bytes.
constexpr int kMaxNameBytes = 200;

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

// rename(2) that fails rather than replaces; hard link and unlink where the file system
// cannot do that in one step.
int moveNoReplace(const QByteArray& from, const QByteArray& to) {
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
    if (::link(from.constData(), to.constData()) != 0) return errno;
    ::unlink(from.constData());
    return 0;
}

// Long names lose the end of their stem, never their extension.
QString shortened(const QString& name) {
    if (name.toUtf8().size() <= kMaxNameBytes) return name;
    const qsizetype dot = name.lastIndexOf('.');
    const QString ext = dot > 0 && name.size() - dot <= 16 ? name.mid(dot) : QString();
    QString stem = name.left(name.size() - ext.size());
    while (!stem.isEmpty() && (stem + ext).toUtf8().size() > kMaxNameBytes) {
        stem.chop(1);
        if (!stem.isEmpty() && stem.back().isHighSurrogate()) stem.chop(1);
    }
    return stem + ext;
}

QString writablePartial(QTemporaryFile& part, const QString& folder) {
    QDir().mkpath(folder);
    part.setFileTemplate(folder + "/.tarvel-XXXXXX.part");
    if (!part.open()) return "Could not write to " + folder + ": " + part.errorString();
    return {};
}

}  // namespace

QString downloadsDirectory() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return folder.isEmpty() ? QDir::homePath() + "/Downloads" : folder;
}

QString uniqueURL(const QString& folder, const QString& name, const QString& ext) {
    QString safe = name;
    safe.replace('/', '-').replace(':', '-');
    QString candidate = folder + "/" + safe + "." + ext;
    for (int k = 2; QFileInfo::exists(candidate) && k < kMaxCollisions; ++k)
        candidate = folder + "/" + safe + "-" + QString::number(k) + "." + ext;
    return candidate;
}

PlusFileResult placeWithoutOverwrite(const QString& source, const QString& folder,
                                     const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf('.');
    const QString stem = dot > 0 ? fileName.left(dot) : fileName;
    const QString ext = dot > 0 ? fileName.mid(dot) : QString();
    const QByteArray from = QFile::encodeName(source);
    for (int k = 1; k < kMaxCollisions; ++k) {
        const QString path =
            folder + "/" + (k == 1 ? fileName : stem + "-" + QString::number(k) + ext);
        const int error = moveNoReplace(from, QFile::encodeName(path));
        if (error == 0) return {path, {}};
        if (error != EEXIST)
            return {{}, "Could not move the file into place: " + systemError(error)};
    }
    return {{}, "Too many files named " + fileName};
}

PlusFileResult saveText(const QString& folder, const QString& text, const QString& suggestedName,
                        const QString& ext) {
    QTemporaryFile part;
    if (QString error = writablePartial(part, folder); !error.isEmpty()) return {{}, error};
    const QByteArray bytes = text.toUtf8();
    if (part.write(bytes) != bytes.size() || !part.flush()) return {{}, part.errorString()};
    part.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    // Not uniqueURL's answer: a name free now may be taken by the time the file moves.
    QString name = suggestedName;
    name.replace('/', '-').replace(':', '-');
    return placeWithoutOverwrite(part.fileName(), folder, name + "." + ext);
}

void reveal(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    const auto openFolder = [folder] { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); };
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return openFolder();
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1",
                                                       "/org/freedesktop/FileManager1",
                                                       "org.freedesktop.FileManager1", "ShowItems");
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [openFolder](QDBusPendingCallWatcher* self) {
                         if (self->isError()) openFolder();
                         self->deleteLater();
                     });
}

void savePanel(const QString& defaultName, const QString& ext, const QString& contents) {
    // No parent: a dialog owned by the popover would close it, and go with it.
    auto* dialog = new QFileDialog(nullptr, "Save", downloadsDirectory());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setDefaultSuffix(ext);
    QStringList filters;
    for (const QString& type : {ext, QStringLiteral("txt"), QStringLiteral("md")}) {
        const QString filter = type.toUpper() + " (*." + type + ")";
        if (!filters.contains(filter)) filters.append(filter);
    }
    dialog->setNameFilters(filters);
    dialog->selectFile(defaultName.endsWith("." + ext) ? defaultName : defaultName + "." + ext);
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog, [contents](const QString& path) {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)) return;
        file.write(contents.toUtf8());
        if (file.commit()) reveal(path);
    });
    dialog->open();
}

QStringList urls(const QString& text) {
    return webLinks(text);
}

QString fileNameForLink(const QString& urlString) {
    // The last segment of the encoded path, so an encoded "/" stays inside the name.
    QString path = QUrl(urlString).path(QUrl::FullyEncoded);
    while (path.endsWith('/')) path.chop(1);
    const QString decoded = QUrl::fromPercentEncoding(path.mid(path.lastIndexOf('/') + 1).toUtf8());
    // Format characters (U+202E shows "exe.gpj" as "jpg.exe") would make the name lie.
    QString name;
    for (const char32_t c : decoded.toUcs4()) {
        const auto category = QChar::category(c);
        if (c == '/' || c == '\\' || category == QChar::Other_Control ||
            category == QChar::Other_Format)
            name += u'-';
        else
            name += QString::fromUcs4(&c, 1);
    }
    name = name.trimmed();
    while (name.startsWith('.')) name.remove(0, 1);
    name = name.trimmed();
    return name.isEmpty() ? QStringLiteral("download") : shortened(name);
}

}  // namespace tarvel::PlusFileDownloads
