#include "views/ViewServices.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <memory>

#include "app/AppCore.h"
#include "shell/statusitem/BatteryMenuChrome.h"
#include "shell/system/AppIconResolver.h"
#include "shell/ui/AppDelegate.h"
#include "views/prefs/DashboardPrefs.h"

namespace tarvel {

namespace {

// The sibling application: opened when installed, else its web page.
constexpr const char* kOmbrelProgram = "ombrel";
constexpr const char* kOmbrelPage = "https://ombrel.app/";

}  // namespace

ViewServices ViewServices::forApplication(AppCore& core, AppDelegate& delegate,
                                          DashboardPrefs& prefs) {
    ViewServices services{core.settings(),
                          core.platform().clock(),
                          core.powerStore(),
                          core.processEnergy(),
                          core.drainLog(),
                          core.drainAlerts(),
                          core.chargeLimit(),
                          delegate.panel(),
                          core.platform().lowPowerMode(),
                          prefs,
                          nullptr,
                          {},
                          {},
                          {}};
    services.loginItem = &delegate.loginItem();

    Actions& a = services.actions;
    a.checkForUpdates = [&delegate] { delegate.checkUpdates(); };
    a.openWebsite = [&delegate] { delegate.openWebsite(); };
    a.openTarvelPro = [&delegate] { delegate.openTarvelPro(); };
    const QString ombrel = QStandardPaths::findExecutable(kOmbrelProgram);
    a.ombrelTitle = ombrel.isEmpty() ? "Get Ombrel" : "Open Ombrel";
    a.openOmbrel = [ombrel] {
        if (ombrel.isEmpty() || !QProcess::startDetached(ombrel, {}))
            QDesktopServices::openUrl(QUrl(kOmbrelPage));
    };
    a.openBatterySettings = [] { return BatteryMenuChrome::openBatterySettings(); };
    const std::string dataDir = core.drainLog().supportDir();
    a.revealDataFolder = [dataDir] {
        const QString folder = QString::fromStdString(dataDir);
        QDir().mkpath(folder);
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    };
    a.quit = [&delegate] { delegate.quitApp(); };
    auto icons = std::make_shared<AppIconResolver>();
    a.appIcon = [icons](const ProcEnergy& process) { return icons->icon(process); };
    return services;
}

}  // namespace tarvel
