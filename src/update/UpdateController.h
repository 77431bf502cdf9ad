#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <functional>
#include <memory>

#include "update/UpdateRun.h"

namespace tarvel {

class UpdateProgressWindow;

// The update check and install as the tray application runs them: the silent check at launch
// with the report of an unfinished previous update, the check on request, the offer, the
// progress window and the restart into the new build. Main thread only.
class UpdateController : public QObject {
    Q_OBJECT

public:
    // `beforeQuit` runs just before Tarvel quits for the new build (it releases the
    // single-instance name, so the new one does not hand over to this one).
    UpdateController(InstallSetup setup, std::function<void()> beforeQuit,
                     QObject* parent = nullptr);
    ~UpdateController() override;

    void checkOnLaunch();
    void checkManually();
    // Reports (once) an update that did not finish.
    void checkPendingUpdateResult();
    // Downloads and installs `version` (undecorated), or says how this install is updated.
    void install(const QString& version);

    QString installPathLabel() const;
    UpdateProgressWindow* progressWindow() const { return window_.get(); }

private:
    void check(bool manual);
    void finishInstall(const InstallOutcome& outcome, const QString& version);
    void openPage() const;
    QString logPathLabel() const;

    InstallSetup setup_;
    std::function<void()> beforeQuit_;
    QNetworkAccessManager network_;
    std::unique_ptr<UpdateRun> run_;
    std::unique_ptr<UpdateProgressWindow> window_;
};

}  // namespace tarvel
