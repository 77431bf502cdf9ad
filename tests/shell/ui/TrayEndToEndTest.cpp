// The tray application on a real X server with a real tray: Xvfb and trayer (an X11 tray), or a
// StatusNotifier watcher on a private session bus (as waybar and KDE run one); clicks and keys
// from xdotool. Skipped (with a message) where those programs are not installed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QStyleHints>
#include <QTemporaryDir>
#include <QThread>
#include <mutex>
#include <optional>

#include "app/AppCore.h"
#include "platform/linux/LinuxPlatform.h"
#include "shell/ui/AppDelegate.h"
#include "shell/ui/PopoverWindow.h"
#include "shell/ui/SurfaceWindow.h"
#include "support/FixtureMachine.h"
#include "support/PowerSupplyFixtures.h"
#include "support/PrivateBus.h"
#include "support/WaitUntil.h"
#include "views/ApplicationViews.h"
#include "views/ViewServices.h"
#include "views/components/KivoRows.h"
#include "views/dashboard/DashboardRoot.h"
#include "views/prefs/DashboardPrefs.h"

namespace tarvel {
namespace {

// Set by main: the X display, and the tray it started (or the session bus with its watcher).
QString display;
QProcess* trayer = nullptr;
QObject* watcher = nullptr;

// What xdotool printed, or nothing when it failed.
std::optional<QString> xdotool(const QStringList& args) {
    QProcess p;
    p.start("xdotool", args);
    if (!p.waitForFinished(5000) || p.exitCode() != 0) return std::nullopt;
    return QString::fromUtf8(p.readAllStandardOutput());
}

bool clickAt(const QPoint& p, const QStringList& click = {"click", "1"}) {
    return xdotool(QStringList{"mousemove", QString::number(p.x()), QString::number(p.y())} + click)
        .has_value();
}

// Where the X server has a window, as xdotool reads it.
QRect xGeometry(const QString& id) {
    QRect r;
    for (const QString& line :
         xdotool({"getwindowgeometry", "--shell", id}).value_or("").split('\n')) {
        const int value = line.section('=', 1).toInt();
        if (line.startsWith("X=")) r.moveLeft(value);
        if (line.startsWith("Y=")) r.moveTop(value);
        if (line.startsWith("WIDTH=")) r.setWidth(value);
        if (line.startsWith("HEIGHT=")) r.setHeight(value);
    }
    return r;
}

// Whether one of our windows is mapped over `point`: the tray has embedded and shown the icon
// where it says it is, so a click there reaches it.
bool ourWindowAt(const QPoint& point) {
    const QString pid = QString::number(QCoreApplication::applicationPid());
    for (const QString& id :
         xdotool({"search", "--onlyvisible", "--pid", pid}).value_or("").split('\n'))
        if (!id.trimmed().isEmpty() && xGeometry(id.trimmed()).contains(point)) return true;
    return false;
}

// No window manager runs here: a window is where the application put it, which must be the
// middle of the screen, not 0,0.
bool centredOnScreen(const QWidget& window) {
    const QPoint middle = window.screen()->availableGeometry().center();
    return (xGeometry(QString::number(window.winId())).center() - middle).manhattanLength() <= 2;
}

// The tray (trayer) on one edge of the screen, started afresh.
void startTray(const char* edge) {
    trayer->kill();
    trayer->waitForFinished();
    trayer->start("trayer", {"--edge", edge, "--align", "right", "--widthtype", "request",
                             "--height", "24", "--transparent", "false"});
    trayer->waitForStarted();
}

// The tray application over a fixture machine, started as the real one is.
struct TrayApp {
    test::FixtureTree machine;
    std::unique_ptr<AppCore> core;
    std::unique_ptr<DashboardPrefs> prefs;
    std::optional<ViewServices> views;
    std::unique_ptr<AppDelegate> delegate;

    explicit TrayApp(void (*build)(const test::FixtureTree&) = test::dischargingEnergyLaptop) {
        build(machine);
        core = std::make_unique<AppCore>(
            std::make_unique<LinuxPlatform>(test::fixtureMachineRoots(machine)));
        prefs = std::make_unique<DashboardPrefs>(core->settings());
        delegate = std::make_unique<AppDelegate>(*core);
        views.emplace(ViewServices::forApplication(*core, *delegate, *prefs));
        installApplicationViews(*delegate, *views);
        delegate->applicationDidFinishLaunching();
    }
    ~TrayApp() { delegate->applicationWillTerminate(); }

    bool poll() {
        const auto before = core->powerStore().pollGeneration();
        core->powerStore().poll();
        return test::waitUntil([&] { return core->powerStore().pollGeneration() > before; }, 10000);
    }
    QString toolTip() const { return delegate->statusItem()->toolTip(); }
    // The icon's centre, once the tray has embedded it and mapped it where it says (the tray
    // may lay its icons out again after embedding ours, so the point is read anew).
    std::optional<QPoint> embeddedIcon(int timeoutMs = 15000) const {
        QPoint icon;
        const bool mapped = test::waitUntil(
            [&] {
                icon = delegate->statusItem()->geometry().center();
                return !delegate->statusItem()->geometry().isEmpty() && ourWindowAt(icon);
            },
            timeoutMs);
        return mapped ? std::optional(icon) : std::nullopt;
    }
    bool popoverShown() const { return delegate->popover()->isVisible(); }
    bool dashboardShown() const {
        return delegate->dashboardWindow() && delegate->dashboardWindow()->isVisible();
    }
};

TEST(TrayApplication, ClickOpensThePopoverUnderTheIconEscapeClosesItDoubleClickTheDashboard) {
    if (!trayer) GTEST_SKIP() << "Xvfb, trayer, xdotool or dbus-daemon is not installed";
    TrayApp app;
    const auto icon = app.embeddedIcon();
    ASSERT_TRUE(icon);
    ASSERT_TRUE(app.poll());
    EXPECT_NE(app.toolTip().indexOf("60% · "), -1) << app.toolTip().toStdString();

    ASSERT_TRUE(clickAt(*icon));
    ASSERT_TRUE(test::waitUntil([&] { return app.popoverShown(); }));
    // Under the icon of the top panel, sized before it was placed.
    const QRect popover = app.delegate->popover()->geometry();
    const QRect tray = app.delegate->statusItem()->geometry();
    EXPECT_EQ(popover.width(), 300);
    EXPECT_GT(popover.top(), tray.bottom());
    EXPECT_LE(popover.top(), tray.bottom() + 8);
    EXPECT_TRUE(popover.left() <= icon->x() && icon->x() <= popover.right());
    EXPECT_TRUE(app.core->powerStore().fastMode());
    EXPECT_TRUE(app.core->processEnergy().fastMode());
    EXPECT_TRUE(test::waitUntil([&] {
        for (const KivoRow* row : app.delegate->popover()->findChildren<KivoRow*>())
            if (row->label() == "Battery" && row->value() == "60%") return true;
        return false;
    }));

    ASSERT_TRUE(test::waitUntil([&] { return app.delegate->popover()->isActiveWindow(); }));
    ASSERT_TRUE(xdotool({"key", "Escape"}));
    ASSERT_TRUE(test::waitUntil([&] { return !app.popoverShown(); }));
    EXPECT_FALSE(app.core->powerStore().fastMode());
    EXPECT_FALSE(app.core->processEnergy().fastMode());

    test::waitUntil([] { return false; }, 500);  // past the re-open guard
    ASSERT_TRUE(clickAt(*icon, {"click", "--repeat", "2", "--delay", "80", "1"}));
    ASSERT_TRUE(test::waitUntil([&] { return app.dashboardShown(); }));
    EXPECT_FALSE(app.popoverShown());
    EXPECT_NE(app.delegate->dashboardWindow()->findChild<DashboardRoot*>(), nullptr);
    EXPECT_TRUE(centredOnScreen(*app.delegate->dashboardWindow()));
    EXPECT_FALSE(app.core->powerStore().fastMode());
    // Closing the dashboard leaves the application running in the tray.
    app.delegate->dashboardWindow()->close();
    EXPECT_TRUE(app.delegate->statusItem()->isVisible());

    // The tooltip tells the state after the whole poll: plugged in, then unplugged with no time
    // to tell yet (a redraw on the power source alone would keep "On AC power").
    const auto plug = [&](bool in) {
        test::addMains(app.machine, "ADP1", in);
        app.machine.replace("class/power_supply/BAT1/status",
                            in ? "Not charging\n" : "Discharging\n");
    };
    const auto tells = [&](const char* text) {
        return test::waitUntil([&] { return app.toolTip().contains(text); }, 2000);
    };
    app.machine.remove("class/power_supply/BAT1/power_now");
    plug(true);
    ASSERT_TRUE(app.poll());
    EXPECT_TRUE(tells("60% · On AC power")) << app.toolTip().toStdString();
    plug(false);
    ASSERT_TRUE(app.poll());
    EXPECT_TRUE(tells("60% · Calculating…")) << app.toolTip().toStdString();
}

// Opening and closing Customize (by the window, Escape and Ctrl+W in turn) from the tray menu
// over and over leaves the icon in the tray; so does the tray going away and coming back, on the
// bottom edge, where the popover then opens just above the icon at the size it keeps. Launching
// Tarvel again while only Customize is open brings it forward.
TEST(TrayApplication, TheIconStaysThroughCustomizeCyclesAndATrayRestartOnTheBottomEdge) {
    if (!trayer) GTEST_SKIP() << "Xvfb, trayer, xdotool or dbus-daemon is not installed";
    TrayApp app;
    auto icon = app.embeddedIcon();
    ASSERT_TRUE(icon);
    for (int cycle = 1; cycle <= 50; ++cycle) {
        SCOPED_TRACE("cycle " + std::to_string(cycle));
        ASSERT_TRUE(clickAt(*icon, {"click", "3"}));
        QMenu* menu = nullptr;
        ASSERT_TRUE(test::waitUntil([&] {
            menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            return menu && menu->isVisible();
        }));
        QAction* customize = nullptr;
        for (QAction* action : menu->actions())
            if (action->text() == "Customize…") customize = action;
        ASSERT_NE(customize, nullptr);
        ASSERT_TRUE(clickAt(menu->mapToGlobal(menu->actionGeometry(customize).center())));
        ASSERT_TRUE(test::waitUntil([&] {
            return app.delegate->preferencesWindow() &&
                   app.delegate->preferencesWindow()->isActiveWindow();
        }));
        SurfaceWindow& customizeWindow = *app.delegate->preferencesWindow();
        if (cycle == 1) {
            EXPECT_TRUE(centredOnScreen(customizeWindow));
            QWidget other;
            other.show();
            other.activateWindow();
            ASSERT_TRUE(test::waitUntil([&] { return other.isActiveWindow(); }));
            app.delegate->applicationShouldHandleReopen();
            EXPECT_TRUE(test::waitUntil([&] { return customizeWindow.isActiveWindow(); }));
            EXPECT_FALSE(app.dashboardShown());
        }
        if (cycle % 3 == 0)
            customizeWindow.close();
        else
            ASSERT_TRUE(xdotool({"key", cycle % 3 == 1 ? "Escape" : "ctrl+w"}));
        ASSERT_TRUE(test::waitUntil([&] { return !customizeWindow.isVisible(); }));
        icon = app.embeddedIcon(5000);
        ASSERT_TRUE(icon);
    }
    startTray("bottom");
    icon = app.embeddedIcon();
    ASSERT_TRUE(icon);
    EXPECT_GT(icon->y(), 700);
    ASSERT_TRUE(clickAt(*icon));
    ASSERT_TRUE(test::waitUntil([&] { return app.popoverShown(); }));
    const QRect popover = app.delegate->popover()->geometry();
    const QRect tray = app.delegate->statusItem()->geometry();
    EXPECT_LT(popover.bottom(), tray.top());
    EXPECT_GE(popover.bottom(), tray.top() - 8) << popover.bottom() << " for " << tray.top();
    startTray("top");
}

// A StatusNotifier host (waybar, KDE): activations come over D-Bus with the point clicked.
// Waybar sends three Activate calls for one double click: press, press and the double press.
TEST(StatusNotifierTray, ActivateOpensThePopoverAtThePointAndADoubleClickTheDashboard) {
    if (!watcher) GTEST_SKIP() << "Xvfb, xdotool or dbus-daemon is not installed";
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(1500);
    TrayApp app;
    QStringList items;
    ASSERT_TRUE(test::waitUntil([&] {
        items = watcher->property("items").toStringList();
        return !items.isEmpty();
    }));
    const QDBusConnection bus = QDBusConnection(QStringLiteral("watcher"));
    const auto activate = [&](const QPoint& at) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            items.front(), "/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate");
        call << at.x() << at.y();
        return bus.send(call);
    };
    // A bar along the top: the popover opens under the point, on screen.
    const QPoint point(1200, 12);
    ASSERT_TRUE(activate(point));
    ASSERT_TRUE(test::waitUntil([&] { return app.popoverShown(); }));
    const QRect popover = app.delegate->popover()->geometry();
    EXPECT_GT(popover.top(), point.y());
    EXPECT_LE(popover.top(), point.y() + 8);
    EXPECT_TRUE(popover.left() <= point.x() && point.x() <= popover.right()) << popover.left();
    EXPECT_LE(popover.right(), 1279);

    app.delegate->closeMenubarPopover();
    test::waitUntil([] { return false; }, 1600);  // past the double-click interval
    for (int press = 0; press < 3; ++press) ASSERT_TRUE(activate(point));
    ASSERT_TRUE(test::waitUntil([&] { return app.dashboardShown(); }));
    test::waitUntil([] { return false; }, 300);  // the third call has been handled too
    EXPECT_FALSE(app.popoverShown());
    EXPECT_TRUE(app.dashboardShown());
}

// What a StatusNotifier panel registers on the session bus: the watcher, with a host (as much
// of it as Qt asks for).
class Watcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(QStringList items READ registeredItems SCRIPTABLE false)

public:
    bool hostRegistered() const { return true; }
    QStringList registeredItems() const {
        const std::lock_guard lock(mutex_);
        return items_;
    }

public slots:
    void RegisterStatusNotifierItem(const QString& service) {
        const std::lock_guard lock(mutex_);
        items_ << service;
    }

private:
    mutable std::mutex mutex_;
    QStringList items_;
};

}  // namespace
}  // namespace tarvel

// Starts a private X server with a tray (or a session bus with a StatusNotifier watcher, for
// the StatusNotifier tests) before the application object exists.
int main(int argc, char** argv) {
    QTemporaryDir home;
    for (const char* name :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
        qputenv(name, (home.path() + "/" + name).toUtf8());
    bool listing = false, statusNotifier = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        listing |= arg == "--gtest_list_tests";
        statusNotifier |= arg.rfind("--gtest_filter=StatusNotifier", 0) == 0;
    }
    const auto has = [](const char* program) {
        return !QStandardPaths::findExecutable(program).isEmpty();
    };
    QProcess xvfb, trayer;
    std::optional<tarvel::test::PrivateBus> bus;
    if (!listing && has("Xvfb") && has("xdotool") && has("dbus-daemon") &&
        (statusNotifier || has("trayer"))) {
        xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
        if (xvfb.waitForReadyRead(10000))
            tarvel::display = ":" + QString::fromUtf8(xvfb.readLine()).trimmed();
    }
    if (!tarvel::display.isEmpty()) {
        qputenv("DISPLAY", tarvel::display.toUtf8());
        qputenv("QT_QPA_PLATFORM", "xcb");
        // A session of its own, as every desktop has: with none, libdbus would fork dbus-launch
        // from this threaded process, and under AddressSanitizer the child can hang on a lock.
        bus.emplace();
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus->address().toUtf8());
        if (!statusNotifier) {
            tarvel::trayer = &trayer;
            tarvel::startTray("top");
        }
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int result;
    {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        // The watcher answers on a thread of its own: Qt asks it with blocking calls from the
        // main thread.
        QThread watcherThread;
        watcherThread.start();
        tarvel::Watcher watcher;
        watcher.moveToThread(&watcherThread);
        if (statusNotifier && bus && bus->ok()) {
            QDBusConnection connection = bus->connect(QStringLiteral("watcher"));
            if (connection.registerObject("/StatusNotifierWatcher", &watcher,
                                          QDBusConnection::ExportAllSlots |
                                              QDBusConnection::ExportScriptableProperties) &&
                connection.registerService("org.kde.StatusNotifierWatcher"))
                tarvel::watcher = &watcher;
        }
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
        tarvel::watcher = nullptr;
        QDBusConnection::disconnectFromBus(QStringLiteral("watcher"));
        watcherThread.quit();
        watcherThread.wait();
    }
    trayer.kill();
    trayer.waitForFinished();
    xvfb.kill();
    xvfb.waitForFinished();
    return result;
}

#include "TrayEndToEndTest.moc"
