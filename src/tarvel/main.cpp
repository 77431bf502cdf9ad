// tarvel: the tray application. One process per session; a second launch hands over to the
// running one (which opens or raises its dashboard) and exits.
#include <QApplication>
#include <QCommandLineParser>
#include <QDBusConnection>
#include <QPixmapCache>
#include <optional>

#include "app/AppCore.h"
#include "assistant/Assistant.h"
#include "assistant/weather/WeatherStore.h"
#include "platform/TerminationSignals.h"
#include "shell/ApplicationId.h"
#include "shell/SingleInstance.h"
#include "shell/ui/AppDelegate.h"
#include "shell/ui/DarkAppearance.h"
#include "update/UpdateController.h"
#include "views/ApplicationViews.h"
#include "views/ViewServices.h"
#include "views/prefs/DashboardPrefs.h"

int main(int argc, char** argv) {
    using namespace tarvel;
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tarvel");
    QApplication::setDesktopFileName(kApplicationId);
    // Closing the dashboard or the preferences, or dismissing an alert, never quits.
    QApplication::setQuitOnLastWindowClosed(false);
    // Each opened window paints with palettes and icons of its own, so the style's pixmap cache
    // keeps entries of windows long closed: about 3 kB an open, up to Qt's 10 MB. What the open
    // windows use fits in far less.
    QPixmapCache::setCacheLimit(256);
    applyDarkAppearance();

    QCommandLineParser parser;
    parser.setApplicationDescription("Tarvel: battery and power in the system tray.");
    parser.addHelpOption();
    const QCommandLineOption sysRoot("sysfs-root", "Read DIR in place of /sys.", "DIR", "/sys");
    const QCommandLineOption powercapRoot("powercap-root",
                                          "Read DIR in place of /sys/class/powercap.", "DIR");
    const QCommandLineOption procRoot("proc-root", "Read DIR in place of /proc.", "DIR", "/proc");
    const QCommandLineOption autostart("autostart", "Started by the session at login.");
    parser.addOptions({sysRoot, powercapRoot, procRoot, autostart});
    parser.process(app);

    SingleInstance instance(kApplicationId, QDBusConnection::sessionBus());
    if (!instance.claim()) {
        instance.activateRunning(qEnvironmentVariable("XDG_ACTIVATION_TOKEN"));
        return 0;
    }

    MachineRoots roots;
    roots.sys = parser.value(sysRoot).toStdString();
    roots.powercap = parser.isSet(powercapRoot) ? parser.value(powercapRoot).toStdString()
                                                : roots.sys + "/class/powercap";
    roots.proc = parser.value(procRoot).toStdString();
    CoreServices services;
    services.metricsTextfile = true;
    const auto core = AppCore::forMachine(roots, services);
    // The views' services outlive the delegate, whose windows hold the views.
    DashboardPrefs prefs(core->settings());
    Assistant assistant(core->settings());
    std::optional<ViewServices> views;
    AppDelegate delegate(*core);
    views.emplace(ViewServices::forApplication(*core, delegate, prefs));
    // Before quitting for a new build, the name goes, so the new Tarvel does not hand over.
    UpdateController updates(InstallSetup{}, [&instance] { instance.release(); });
    AppDelegate::LaterServices later;
    later.checkOnLaunch = [&updates] { updates.checkOnLaunch(); };
    later.checkForUpdates = [&updates] { updates.checkManually(); };
    later.startWeather = [&assistant] { assistant.weather().start(); };
    delegate.setLaterServices(later);
    views->installPathLabel = [&updates] { return updates.installPathLabel(); };
    assistant.installViews(*views);
    installApplicationViews(delegate, *views);
    QObject::connect(&instance, &SingleInstance::activated, &delegate,
                     [&delegate](const QString& token) {
                         // The window raised next may take the focus with the launcher's token.
                         if (!token.isEmpty()) qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
                         delegate.applicationShouldHandleReopen();
                     });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate,
                     [&delegate] { delegate.applicationWillTerminate(); });
    quitOnTerminationSignals();
    assistant.start();
    delegate.applicationDidFinishLaunching();
    return QApplication::exec();
}
