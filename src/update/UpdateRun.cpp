#include "update/UpdateRun.h"

#include <QDir>
#include <QNetworkReply>
#include <QSaveFile>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include "shell/BuildInfo.h"
#include "update/ArchiveExtract.h"
#include "update/BundleReplace.h"
#include "update/UpdateFetch.h"

namespace tarvel {

UpdateRun::UpdateRun(InstallSetup setup, QString version, QObject* parent)
    : QObject(parent), setup_(std::move(setup)), version_(std::move(version)) {
    connect(&worker_, &QFutureWatcher<InstallOutcome>::finished, this,
            [this] { finish(worker_.result()); });
}

UpdateRun::~UpdateRun() {
    // An aborted reply still finishes: nothing of this run may hear it.
    for (QNetworkReply* reply : network_.findChildren<QNetworkReply*>()) {
        reply->disconnect(this);
        reply->abort();
    }
    worker_.disconnect(this);
    worker_.waitForFinished();
}

void UpdateRun::fail(const QString& message) {
    // Queued, so that a failure found inside start() still reaches a caller connecting after.
    QTimer::singleShot(0, this, [this, message] { finish({message, false, {}}); });
}

void UpdateRun::finish(const InstallOutcome& outcome) {
    if (!workDir_.isEmpty()) {
        const bool helperWaits = !outcome.failure && !outcome.opensBeforeQuit;
        if (helperWaits) {
            QFile::remove(archive_.fileName());
            QDir(workDir_ + "/Tarvel-update-extract").removeRecursively();
        } else {
            QDir(workDir_).removeRecursively();
        }
    }
    emit finished(outcome);
}

void UpdateRun::stopDownload(const QString& reason) {
    if (!stopped_) stopped_ = reason;
    reply_->abort();
}

void UpdateRun::start() {
    // Checked first: the version goes into the log's lines and the archive's name.
    if (!isSafeVersion(version_))
        return fail("The offered version \"" + version_ +
                    "\" is not a version name Tarvel accepts.");
    log("Update requested for " + version_ + " from " + TARVEL_VERSION);
    const auto bundle = runningBundle(setup_.executable);
    if (!bundle)
        return fail("This Tarvel is not an installed Tarvel.app, so it cannot replace itself.");
    bundle_ = *bundle;
    workDir_ = privateWorkDir();
    if (workDir_.isEmpty()) return fail("Could not create a private folder for the update.");
    fetchManifest(
        network_, setup_.endpoints.manifest, setup_.ssl, true, this,
        [this](std::optional<VersionManifest> manifest) { download(manifest); },
        setup_.limits.manifestDeadlineMs);
}

void UpdateRun::download(const std::optional<VersionManifest>& manifest) {
    name_ = chooseArchiveName(manifest, version_);
    if (!isSafeArchiveName(name_))
        return fail("The update archive name \"" + name_ + "\" is not one Tarvel accepts.");
    const QString archivePath = workDir_ + "/" + name_;
    QFile::remove(archivePath);
    QDir(workDir_ + "/Tarvel-update-extract").removeRecursively();
    log("Resolved zip: " + name_);

    archive_.setFileName(archivePath);
    if (!archive_.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail("Could not download " + name_ + ": " + archive_.errorString());
    QNetworkRequest request(setup_.endpoints.downloadPrefix.resolved(QUrl(name_)));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(kDownloadTimeoutMs);
    if (setup_.ssl) request.setSslConfiguration(*setup_.ssl);
    reply_ = network_.get(request);
    const qint64 cap = setup_.limits.archiveBytes;
    const QString tooLarge = "the file is larger than " + formatBytes(cap) + ".";
    QTimer::singleShot(setup_.limits.archiveDeadlineMs, reply_, [this] {
        stopDownload("it did not finish within " +
                     QString::number(setup_.limits.archiveDeadlineMs / 60000.0) + " minutes.");
    });
    connect(reply_, &QNetworkReply::readyRead, this, [this, cap, tooLarge] {
        const QByteArray chunk = reply_->readAll();
        if (archive_.pos() + chunk.size() > cap) return stopDownload(tooLarge);
        if (!writeError_ && archive_.write(chunk) != chunk.size())
            writeError_ = archive_.errorString();
    });
    connect(reply_, &QNetworkReply::downloadProgress, this,
            [this, cap, tooLarge](qint64 received, qint64 expected) {
                if (expected > cap) return stopDownload(tooLarge);
                emit downloadProgress(received, expected);
            });
    connect(reply_, &QNetworkReply::finished, this, &UpdateRun::downloadFinished);
}

void UpdateRun::downloadFinished() {
    reply_->deleteLater();
    const QByteArray rest = stopped_ ? QByteArray() : reply_->readAll();
    if (!writeError_ && archive_.write(rest) != rest.size()) writeError_ = archive_.errorString();
    archive_.close();

    DownloadOutcome outcome;
    const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid()) outcome.statusCode = status.toInt();
    // An HTTP answer is judged by its status; a transfer cut off (by the peer, the network or
    // a limit here) is an error even after a status line arrived.
    const QNetworkReply::NetworkError error = reply_->error();
    if (stopped_)
        outcome.error = *stopped_;
    else if (error != QNetworkReply::NoError &&
             (!status.isValid() || error < QNetworkReply::ContentAccessDenied))
        outcome.error = reply_->errorString();
    else if (writeError_)
        outcome.error = *writeError_;
    if (outcome.error) QFile::remove(archive_.fileName());

    const auto problem =
        validateDownload(outcome, archive_.fileName(), name_, setup_.endpoints.pageLabel(),
                         [this](const QString& line) { log(line); });
    if (problem) return fail(*problem);
    emit installing();
    worker_.setFuture(QtConcurrent::run([this] { return install(); }));
}

InstallOutcome UpdateRun::install() const {
    const QString extractDir = workDir_ + "/Tarvel-update-extract";
    if (const auto error = extractApp(archive_.fileName(), extractDir, setup_.limits))
        return {"Could not extract " + name_ + ": " + *error, false, {}};
    const auto found = findAppBundle(extractDir);
    if (!found) return {"Tarvel.app not found inside " + name_ + ".", false, {}};
    if (!hasLauncher(*found))
        return {"Tarvel.app inside " + name_ + " has no bin/tarvel program.", false, {}};
    const QString destination = installDestination(bundle_, setup_.paths);
    log("Installing to " + destination);
    const ReplaceResult replaced =
        replaceApp(*found, destination, setup_.paths, workDir_, setup_.pid);
    if (replaced.error) return {replaced.error, false, destination};
    if (replaced.opensBeforeQuit) {
        QDir().mkpath(setup_.paths.stateDir);
        QSaveFile result(setup_.paths.resultPath());
        if (result.open(QIODevice::WriteOnly)) {
            result.write("ok|\n");
            result.commit();
        }
    }
    const QString target = isSystemBundle(destination) ? kSystemBundle : destination;
    return {std::nullopt, replaced.opensBeforeQuit, target};
}

}  // namespace tarvel
