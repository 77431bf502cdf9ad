// Takes the screenshots in docs/screenshots/: runs the tray application's delegate with its
// real views on a fixture laptop battery discharging at about 13 W, with an hour of history,
// and grabs the screen of the X server it runs on (scripts/take-screenshots.sh starts Xvfb and
// a tray) while it opens each surface.
#include <QApplication>
#include <QDBusConnection>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <optional>

#include "ChatScreenshots.h"
#include "app/AppCore.h"
#include "assistant/weather/WeatherStore.h"
#include "assistant/weather/WeatherViews.h"
#include "drain/DrainRecords.h"
#include "platform/linux/LinuxPlatform.h"
#include "shell/ui/AppDelegate.h"
#include "shell/ui/DarkAppearance.h"
#include "shell/ui/PopoverWindow.h"
#include "views/ApplicationViews.h"
#include "views/TarvelOnboarding.h"
#include "views/ViewServices.h"
#include "views/dashboard/DashboardRoot.h"
#include "views/popover/MenuChromeStyle.h"
#include "views/preferences/PreferencesRoot.h"
#include "views/preferences/PreferencesSection.h"
#include "views/prefs/DashboardPrefs.h"

namespace {

using namespace tarvel;

void writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    file.write(content);
}

void writeBattery(const QString& sys) {
    const QString bat = sys + "/class/power_supply/BAT0/";
    const std::pair<const char*, const char*> values[] = {
        {"type", "Battery\n"},
        {"status", "Discharging\n"},
        {"present", "1\n"},
        {"capacity", "62\n"},
        {"charge_now", "3100000\n"},
        {"charge_full", "5000000\n"},
        {"charge_full_design", "5600000\n"},
        {"current_now", "1100000\n"},
        {"voltage_now", "11800000\n"},
        {"cycle_count", "214\n"},
        // a threshold laptop (ASUS-like)
        {"charge_control_end_threshold", "100\n"}};
    for (const auto& [name, value] : values) writeFile(bat + name, value);
    writeFile(sys + "/class/power_supply/AC/type", "Mains\n");
    writeFile(sys + "/class/power_supply/AC/online", "0\n");
}

// An hour on battery from 71 % to 62 %, with the heavy processes of that hour.
void writeHistory(const QString& dataDir) {
    const double now = double(QDateTime::currentSecsSinceEpoch());
    std::string text;
    for (int minute = 60; minute >= 1; --minute) {
        const double at = now - minute * 60.0;
        const int level = 62 + minute * 9 / 60;
        text += powerRecordLine(at, level, 11.5 + (minute % 7) * 0.4, 0, false, "firefox", 42)
                    .value_or("");
        text += processRecordLine(at, "firefox", 42, 38).value_or("");
        if (minute % 3 == 0) text += processRecordLine(at, "cargo", 30, 95).value_or("");
    }
    writeFile(dataDir + "/drain.jsonl", QByteArray::fromStdString(text));
}

class Shooter {
public:
    explicit Shooter(QString out) : out_(std::move(out)) {}

    // The part of the screen a window covers, with a margin (a window alone needs none: it
    // opens centred, and a margin would only show the bare X root around it).
    void shoot(const QString& name, QWidget* window, int margin = 0) {
        shoot(name, window->frameGeometry().adjusted(-margin, -margin, margin, margin));
    }

    void shoot(const QString& name, QRect area) {
        QCoreApplication::processEvents();
        const QRect r = area & QRect(QPoint(0, 0), QApplication::primaryScreen()->size());
        QStringList args{
            "-window", "root", "-crop",
            QString("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y())};
        args << out_ + "/" + name + ".png";
        if (QProcess::execute("import", args) != 0)
            std::fprintf(stderr, "import failed for %s\n", qPrintable(name));
        else
            std::printf("%s/%s.png\n", qPrintable(out_), qPrintable(name));
    }

private:
    QString out_;
};

// Local weather for the popover and the preferences: location granted, one fix, and a canned
// forecast answer from a loopback server.
class ScreenshotLocation : public LocationSource {
public:
    LocationAccess access() const override { return LocationAccess::authorized; }
    void requestAccess() override {}
    void requestFix() override {
        QTimer::singleShot(0, this, [this] { emit fixReceived(37.33182, -122.03118); });
    }
};

struct ScreenshotWeather {
    QTcpServer forecast;
    QNetworkAccessManager network;
    std::unique_ptr<WeatherStore> store;
};

std::unique_ptr<ScreenshotWeather> installScreenshotWeather(ViewServices& services) {
    auto weather = std::make_unique<ScreenshotWeather>();
    weather->forecast.listen(QHostAddress::LocalHost, 0);
    QTcpServer* server = &weather->forecast;
    QObject::connect(server, &QTcpServer::newConnection, server, [server] {
        while (QTcpSocket* socket = server->nextPendingConnection())
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                if (!socket->readAll().contains("\r\n\r\n")) return;
                const QByteArray body =
                    R"({"current":{"temperature_2m":17.6,"relative_humidity_2m":64,)"
                    R"("weather_code":2,"wind_speed_10m":12.4}})";
                socket->write(
                    "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                    "Connection: close\r\nContent-Length: " +
                    QByteArray::number(body.size()) + "\r\n\r\n" + body);
                socket->disconnectFromHost();
            });
    });
    WeatherStore::Options options;
    options.host = QUrl(QString("http://127.0.0.1:%1").arg(server->serverPort()));
    weather->store = std::make_unique<WeatherStore>(std::make_unique<ScreenshotLocation>(),
                                                    weather->network, Clock::system(), options);
    installWeatherViews(services, *weather->store);
    weather->store->start();
    return weather;
}

void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    applyDarkAppearance();
    const QString out = argc > 1 ? argv[1] : "docs/screenshots";
    QDir().mkpath(out);

    QTemporaryDir machine;
    writeBattery(machine.path() + "/sys");
    writeHistory(machine.path() + "/data");
    MachineRoots roots;
    roots.sys = (machine.path() + "/sys").toStdString();
    roots.powercap = roots.sys + "/class/powercap";
    roots.proc = "/proc";
    roots.dataDir = (machine.path() + "/data").toStdString();
    roots.settingsPath = (machine.path() + "/config/defaults.json").toStdString();
    roots.systemBus = QDBusConnection("screenshots-no-system-bus");
    roots.sessionBus = QDBusConnection("screenshots-no-session-bus");
    AppCore core(std::make_unique<LinuxPlatform>(roots));
    TarvelOnboarding::markSeen(core.settings());
    DashboardPrefs prefs(core.settings());
    std::optional<ViewServices> services;
    AppDelegate delegate(core);
    services.emplace(ViewServices::forApplication(core, delegate, prefs));
    const auto chat = installChatScene(*services, core.settings(), settle);
    const auto weather = installScreenshotWeather(*services);
    installApplicationViews(delegate, *services);
    // Something busy for the process lists.
    QProcess busy;
    busy.start("sha256sum", {"/dev/zero"});
    delegate.applicationDidFinishLaunching();
    settle(4000);  // a few polls and a process sample
    Shooter shots(out);
    if (delegate.statusItem() && !delegate.statusItem()->geometry().isEmpty())
        shots.shoot("tray-icon", delegate.statusItem()->geometry().adjusted(-200, -8, 8, 12));

    delegate.forceShowPopover();
    settle(1500);
    shots.shoot("popover-newer", delegate.popover(), 16);
    if (auto* slot = delegate.popover()->findChild<QWidget*>("weatherSlot"))
        shots.shoot("popover-weather",
                    QRect(slot->mapToGlobal(QPoint()), slot->size()).adjusted(-16, -12, 16, 12));
    MenuChromeStyle::set(core.settings(), MenuChromeStyle::original);
    settle(800);
    shots.shoot("popover-original", delegate.popover(), 16);
    delegate.closeMenubarPopover();

    delegate.openDashboard();
    settle(1500);
    shots.shoot("dashboard-default", delegate.dashboardWindow());
    prefs.applyPreset("full");
    settle(800);
    shots.shoot("dashboard-pro", delegate.dashboardWindow());
    auto* dashboard = delegate.dashboardWindow()->findChild<DashboardRoot*>();
    if (dashboard) dashboard->setCustomizeOpen(true);
    settle(600);
    shots.shoot("dashboard-customize", delegate.dashboardWindow());
    delegate.closeDashboard();

    delegate.openPreferences();
    settle(800);
    auto* preferences = delegate.preferencesWindow()->findChild<PreferencesRoot*>();
    for (const PreferencesSectionInfo& pane : kPreferencesSections) {
        if (preferences) preferences->select(pane.section);
        settle(400);
        shots.shoot(QString("preferences-%1").arg(pane.id), delegate.preferencesWindow());
    }
    shootChatScene(
        *chat, preferences, delegate.preferencesWindow(),
        [&shots](const QString& name, QWidget* window) { shots.shoot(name, window); }, settle);
    delegate.applicationWillTerminate();
    busy.kill();
    busy.waitForFinished();
    return 0;
}
