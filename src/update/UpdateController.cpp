#include "update/UpdateController.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include "shell/BuildInfo.h"
#include "update/PendingResult.h"
#include "update/UpdateAlerts.h"
#include "update/UpdateFetch.h"
#include "update/UpdateProgressWindow.h"

namespace tarvel {

namespace {

constexpr int kPendingAlertDelayMs = 600;

}  // namespace

UpdateController::UpdateController(InstallSetup setup, std::function<void()> beforeQuit,
                                   QObject* parent)
    : QObject(parent), setup_(std::move(setup)), beforeQuit_(std::move(beforeQuit)) {}

UpdateController::~UpdateController() = default;

void UpdateController::checkOnLaunch() {
    checkPendingUpdateResult();
    check(false);
}

void UpdateController::checkManually() {
    check(true);
}

void UpdateController::check(bool manual) {
    fetchManifest(
        network_, setup_.endpoints.manifest, setup_.ssl, false, this,
        [this, manual](std::optional<VersionManifest> manifest) {
            if (!manifest) {
                if (manual) showCouldNotCheck(setup_.endpoints.host);
                return;
            }
            const UpdateOffer offer = offerFor(*manifest, TARVEL_VERSION);
            if (offer.newer) {
                if (askToInstall(offer.current, offer.candidate)) install(offer.candidate);
            } else if (manual) {
                showUpToDate(offer.current);
            }
        },
        setup_.limits.manifestDeadlineMs);
}

QString UpdateController::logPathLabel() const {
    const QString path = setup_.paths.logPath();
    if (path.startsWith(setup_.paths.home + "/")) return "~" + path.mid(setup_.paths.home.size());
    return path;
}

void UpdateController::checkPendingUpdateResult() {
    const auto text = takeResultFile(setup_.paths.resultPath());
    if (!text) return;
    const auto message = unfinishedUpdateMessage(*text);
    if (!message) return;
    QTimer::singleShot(kPendingAlertDelayMs, this, [this, message = *message] {
        if (showPreviousUpdateFailed(message, logPathLabel(), setup_.endpoints.pageLabel()))
            openPage();
    });
}

void UpdateController::openPage() const {
    QDesktopServices::openUrl(setup_.endpoints.page);
}

QString UpdateController::installPathLabel() const {
    return tarvel::installPathLabel(setup_.executable);
}

void UpdateController::install(const QString& version) {
    if (!runningBundle(setup_.executable)) {
        // A build tree or a packaged install is never replaced.
        const auto package = owningPackage(setup_.executable);
        if (package ? showPackagedInstall(version, *package)
                    : showNotReplaceable(version, QFileInfo(setup_.executable).path()))
            openPage();
        return;
    }
    if (run_) {
        window_->raise();
        return;
    }
    window_ = std::make_unique<UpdateProgressWindow>(version, setup_.endpoints.host);
    window_->show();
    run_ = std::make_unique<UpdateRun>(setup_, version);
    connect(run_.get(), &UpdateRun::downloadProgress, window_.get(),
            &UpdateProgressWindow::showDownloadProgress);
    connect(run_.get(), &UpdateRun::installing, window_.get(),
            &UpdateProgressWindow::showInstalling);
    connect(run_.get(), &UpdateRun::finished, this, [this, version](const InstallOutcome& outcome) {
        // Ends the run after this signal returns; the alerts below may wait long.
        QTimer::singleShot(0, this, [this, version, outcome] {
            run_.reset();
            finishInstall(outcome, version);
        });
    });
    run_->start();
}

void UpdateController::finishInstall(const InstallOutcome& outcome, const QString& version) {
    window_.reset();
    if (outcome.failure) {
        if (showUpdateFailed(*outcome.failure)) openPage();
        return;
    }
    showUpdateInstalled(version);
    if (beforeQuit_) beforeQuit_();
    if (outcome.opensBeforeQuit)
        QProcess::startDetached("/usr/bin/setsid", {outcome.destination + "/bin/tarvel"});
    QCoreApplication::quit();
}

}  // namespace tarvel
