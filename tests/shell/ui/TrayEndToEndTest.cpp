// The tray application on a real X server with a real tray: Xvfb and trayer, clicks and keys
// from xdotool. Skipped (with a message) where those programs are not installed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusConnection>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <optional>

#include "app/AppCore.h"
#include "platform/linux/LinuxPlatform.h"
#include "shell/ui/AppDelegate.h"
#include "shell/ui/PopoverWindow.h"
#include "shell/ui/SurfaceWindow.h"
#include "support/FixtureMachine.h"
#include "support/PowerSupplyFixtures.h"
#include "support/WaitUntil.h"
#include "views/ApplicationViews.h"
#include "views/ViewServices.h"
#include "views/components/KivoRows.h"
#include "views/dashboard/DashboardRoot.h"
#include "views/popover/MainRoot.h"
#include "views/prefs/DashboardPrefs.h"

namespace tarvel {
namespace {

QString display;  // set by main once Xvfb runs

bool xdotool(const QStringList& args) {
    QProcess p;
    p.start("xdotool", args);
    return p.waitForFinished(5000) && p.exitCode() == 0;
}

QString output(const QStringList& args) {
    QProcess p;
    p.start("xdotool", args);
    return p.waitForFinished(5000) ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}

// Whether one of our windows is mapped over `point`: the tray has embedded and shown the icon
// where it says it is, so a click there reaches it.
bool ourWindowAt(const QPoint& point) {
    const QString pid = QString::number(QCoreApplication::applicationPid());
    for (const QString& id : output({"search", "--onlyvisible", "--pid", pid}).split('\n')) {
        if (id.trimmed().isEmpty()) continue;
        int x = 0, y = 0, w = 0, h = 0;
        for (const QString& line :
             output({"getwindowgeometry", "--shell", id.trimmed()}).split('\n')) {
            const QString value = line.section('=', 1);
            if (line.startsWith("X=")) x = value.toInt();
            if (line.startsWith("Y=")) y = value.toInt();
            if (line.startsWith("WIDTH=")) w = value.toInt();
            if (line.startsWith("HEIGHT=")) h = value.toInt();
        }
        if (QRect(x, y, w, h).contains(point)) return true;
    }
    return false;
}

TEST(TrayApplication, ClickOpensThePopoverEscapeClosesItDoubleClickOpensTheDashboard) {
    if (display.isEmpty()) GTEST_SKIP() << "Xvfb, trayer or xdotool is not installed";
    test::FixtureTree machine;
    test::dischargingEnergyLaptop(machine);
    AppCore core(std::make_unique<LinuxPlatform>(test::fixtureMachineRoots(machine)));
    DashboardPrefs prefs(core.settings());
    std::optional<ViewServices> views;
    AppDelegate delegate(core);
    views.emplace(ViewServices::forApplication(core, delegate, prefs));
    installApplicationViews(delegate, *views);
    delegate.applicationDidFinishLaunching();

    // The tray (right-aligned on the top edge) embeds the icon; its geometry is where a user
    // clicks.
    ASSERT_TRUE(test::waitUntil(
        [&] { return delegate.statusItem() && delegate.statusItem()->geometry().left() > 640; },
        15000));
    ASSERT_TRUE(test::waitUntil([&] { return core.powerStore().pollGeneration() > 0; }, 10000));
    EXPECT_FALSE(delegate.lastStatusKey().empty());
    EXPECT_NE(delegate.statusItem()->toolTip().indexOf("60% · "), -1)
        << delegate.statusItem()->toolTip().toStdString();
    // The tray may lay its icons out again after embedding ours: the point is read anew until
    // our window is mapped under it.
    QPoint icon;
    ASSERT_TRUE(test::waitUntil(
        [&] {
            icon = delegate.statusItem()->geometry().center();
            return ourWindowAt(icon);
        },
        15000));
    const QStringList at{"mousemove", QString::number(icon.x()), QString::number(icon.y())};

    ASSERT_TRUE(xdotool(at + QStringList{"click", "1"}));
    ASSERT_TRUE(test::waitUntil([&] { return delegate.popover()->isVisible(); }));
    EXPECT_EQ(delegate.popover()->width(), 300);
    EXPECT_GE(delegate.popover()->height(), 400);
    EXPECT_LE(delegate.popover()->height(), 520);
    EXPECT_TRUE(core.powerStore().fastMode());
    EXPECT_TRUE(core.processEnergy().fastMode());
    // The popover shows the battery list, read while it opened.
    auto* list = delegate.popover()->findChild<MainRoot*>();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(test::waitUntil([&] {
        for (const KivoRow* row : list->findChildren<KivoRow*>())
            if (row->label() == "Battery" && row->value() == "60%") return true;
        return false;
    }));

    ASSERT_TRUE(test::waitUntil([&] { return delegate.popover()->isActiveWindow(); }));
    ASSERT_TRUE(xdotool({"key", "Escape"}));
    ASSERT_TRUE(test::waitUntil([&] { return !delegate.popover()->isVisible(); }));
    EXPECT_FALSE(core.powerStore().fastMode());
    EXPECT_FALSE(core.processEnergy().fastMode());

    test::waitUntil([] { return false; }, 500);  // past the re-open guard
    ASSERT_TRUE(xdotool(at + QStringList{"click", "--repeat", "2", "--delay", "80", "1"}));
    ASSERT_TRUE(test::waitUntil(
        [&] { return delegate.dashboardWindow() && delegate.dashboardWindow()->isVisible(); }));
    EXPECT_FALSE(delegate.popover()->isVisible());
    EXPECT_EQ(delegate.dashboardWindow()->windowTitle(), "Tarvel Pro");
    EXPECT_NE(delegate.dashboardWindow()->findChild<DashboardRoot*>(), nullptr);
    EXPECT_FALSE(core.powerStore().fastMode());

    // Closing the dashboard leaves the application running in the tray.
    delegate.dashboardWindow()->close();
    EXPECT_TRUE(delegate.statusItem()->isVisible());
    delegate.applicationWillTerminate();
}

}  // namespace
}  // namespace tarvel

// Starts a private X server with a tray before the application object exists.
int main(int argc, char** argv) {
    QTemporaryDir home;
    for (const char* name :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
        qputenv(name, (home.path() + "/" + name).toUtf8());
    QProcess xvfb, trayer;
    // Listing the tests (at build time) needs no server.
    bool listing = false;
    for (int i = 1; i < argc; ++i) listing |= std::string(argv[i]) == "--gtest_list_tests";
    const bool tools = !listing && !QStandardPaths::findExecutable("Xvfb").isEmpty() &&
                       !QStandardPaths::findExecutable("trayer").isEmpty() &&
                       !QStandardPaths::findExecutable("xdotool").isEmpty();
    if (tools) {
        xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
        if (xvfb.waitForReadyRead(10000))
            tarvel::display = ":" + QString::fromUtf8(xvfb.readLine()).trimmed();
    }
    if (!tarvel::display.isEmpty()) {
        qputenv("DISPLAY", tarvel::display.toUtf8());
        qputenv("QT_QPA_PLATFORM", "xcb");
        trayer.start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "request",
                                "--height", "24", "--transparent", "false"});
        trayer.waitForStarted();
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int result;
    {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    trayer.kill();
    trayer.waitForFinished();
    xvfb.kill();
    xvfb.waitForFinished();
    return result;
}
