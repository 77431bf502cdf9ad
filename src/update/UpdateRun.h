#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QFutureWatcher>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <optional>

#include "shell/UpdateEndpoints.h"
#include "update/BundleLocation.h"
#include "update/DownloadCheck.h"
#include "update/UpdateLimits.h"
#include "update/UpdatePaths.h"
#include "update/VersionManifest.h"

class QNetworkReply;

namespace tarvel {

inline constexpr int kDownloadTimeoutMs = 180000;

// Everything an install depends on outside itself; tests replace each part.
struct InstallSetup {
    UpdateEndpoints endpoints = UpdateEndpoints::build();
    std::optional<QSslConfiguration> ssl;
    UpdatePaths paths = UpdatePaths::fromEnvironment();
    QString executable = currentExecutable();
    qint64 pid = QCoreApplication::applicationPid();  // the helper waits for it to end
    UpdateLimits limits;
};

struct InstallOutcome {
    std::optional<QString> failure;  // the message to show
    bool opensBeforeQuit = false;
    QString destination;
};

// One install of `version`: manifest, download (streamed to a private folder), checks,
// unpacking, and the swap. Networking runs on the owner's event loop; unpacking and copying
// run on a worker thread. `finished` is emitted exactly once, after the downloaded and unpacked
// files are removed (the helper script stays until it has run).
class UpdateRun : public QObject {
    Q_OBJECT

public:
    UpdateRun(InstallSetup setup, QString version, QObject* parent = nullptr);
    ~UpdateRun() override;

    void start();
    const QString& version() const { return version_; }

signals:
    void downloadProgress(qint64 received, qint64 expected);
    void installing();
    void finished(const tarvel::InstallOutcome& outcome);

private:
    void download(const std::optional<VersionManifest>& manifest);
    void downloadFinished();
    InstallOutcome install() const;
    void fail(const QString& message);
    void stopDownload(const QString& reason);
    void finish(const InstallOutcome& outcome);
    void log(const QString& message) const { appendUpdateLog(setup_.paths, message); }

    InstallSetup setup_;
    QString version_;
    QString bundle_;
    QString workDir_;
    QString name_;
    QNetworkAccessManager network_;
    QPointer<QNetworkReply> reply_;
    QFile archive_;
    std::optional<QString> writeError_;
    std::optional<QString> stopped_;  // why the download was cut off here
    QFutureWatcher<InstallOutcome> worker_;
};

}  // namespace tarvel
