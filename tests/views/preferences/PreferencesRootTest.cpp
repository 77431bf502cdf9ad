#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFile>
#include <QTest>

#include "shell/AppNotifications.h"
#include "shell/statusitem/BatteryMenuChrome.h"
#include "shell/statusitem/MenuBarDisplayMode.h"
#include "shell/system/LaunchAtLoginHelper.h"
#include "views/components/Controls.h"
#include "views/preferences/PreferencesPane.h"
#include "views/preferences/PreferencesRoot.h"
#include "views/preferences/PreferencesSidebar.h"
#include "views/prefs/DashboardPrefs.h"
#include "views/prefs/LayoutToggles.h"
#include "views/support/ViewFixture.h"

namespace tarvel {
namespace {

// The views' services over the discharging fixture laptop, with the autostart folder inside the
// fixture tree.
class PreferencesRootTest : public ::testing::Test {
protected:
    PreferencesRootTest() {
        AutostartFolders folders;
        folders.user = QString::fromStdString(fixture.tree.root() + "/autostart");
        loginItem =
            std::make_unique<LaunchAtLoginHelper>(core->settings(), "/usr/bin/tarvel", folders);
        fixture.services.loginItem = loginItem.get();
        fixture.readMachine();
    }

    PreferencesRoot& shownRoot() {
        root = std::make_unique<PreferencesRoot>(fixture.services);
        root->resize(780, 560);
        root->show();
        QCoreApplication::processEvents();
        return *root;
    }

    QAbstractButton* button(const QString& text) const { return test::button(*root, text); }
    LabeledSwitch* labeledSwitch(const QString& title) const {
        for (LabeledSwitch* s : root->findChildren<LabeledSwitch*>())
            if (s->title() == title) return s;
        ADD_FAILURE() << "no switch " << title.toStdString();
        return nullptr;
    }

    bool showsLabel(const QString& text) const { return test::shownTexts(*root).contains(text); }

    test::ViewFixture fixture;
    AppCore* core = &fixture.core();
    std::unique_ptr<LaunchAtLoginHelper> loginItem;
    std::unique_ptr<PreferencesRoot> root;
};

TEST_F(PreferencesRootTest, ASidebarClickShowsThatPaneAlone) {
    PreferencesRoot& prefsRoot = shownRoot();
    // Backwards, so every click changes the pane.
    for (int i = int(std::size(kPreferencesSections)) - 1; i >= 0; --i) {
        const PreferencesSection section = kPreferencesSections[i].section;
        SCOPED_TRACE(i);
        PreferencesSidebarRow* row = prefsRoot.sidebar()->row(section);
        QTest::mouseClick(row, Qt::LeftButton);
        EXPECT_EQ(prefsRoot.section(), section);
        EXPECT_TRUE(row->isChecked());
        EXPECT_TRUE(showsLabel(prefsRoot.pane(section)->title()));
        int shown = 0;
        for (const PreferencesSectionInfo& entry : kPreferencesSections)
            shown += prefsRoot.pane(entry.section)->isVisible();
        EXPECT_EQ(shown, 1);
    }
    // A new view starts at Menu Bar again.
    EXPECT_EQ(PreferencesRoot(fixture.services).section(), PreferencesSection::menuBar);
}

TEST_F(PreferencesRootTest, ChargingControlsFollowManagementAndOverrides) {
    shownRoot().select(PreferencesSection::charging);
    ChargeLimitController& charge = core->chargeLimit();
    const struct {
        const char* name;
        bool managing;
        bool chargeToFull;
        bool controlsEnabled;
        bool stopEnabled;
    } cases[] = {
        {"managing, no override", true, false, true, false},
        {"managing, charging to full", true, true, true, true},
        {"off", false, false, false, false},
    };
    auto* slider = root->findChild<CommitSlider*>();
    ASSERT_NE(slider, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        charge.setIsEnabled(true);
        charge.stopOverride();
        if (c.chargeToFull) button("Charge to 100%")->click();
        if (!c.managing)
            QTest::mouseClick(labeledSwitch("Manage charging")->toggle(), Qt::LeftButton);
        EXPECT_EQ(charge.isEnabled(), c.managing);
        EXPECT_EQ(labeledSwitch("Manage charging")->toggle()->isChecked(), c.managing);
        EXPECT_EQ(slider->isEnabled(), c.controlsEnabled);
        EXPECT_EQ(button("Charge to 100%")->isEnabled(), c.controlsEnabled);
        EXPECT_EQ(button("Discharge")->isEnabled(), c.controlsEnabled);
        EXPECT_EQ(button("Stop override")->isEnabled(), c.stopEnabled);
    }
    // The status lines follow the controller.
    EXPECT_TRUE(showsLabel("Backend: " + QString::fromStdString(charge.backendName())));
    EXPECT_TRUE(showsLabel(QString::fromStdString(charge.appModeLabel())));
}

// Both sliders commit only when let go: the values passed on the way are only shown.
TEST_F(PreferencesRootTest, SlidersStoreOnlyOnReleaseAndTheLabelFollows) {
    const struct {
        PreferencesSection pane;
        const char* label;
        int from;
        int to;
        std::function<int(AppCore&)> stored;
    } sliders[] = {
        {PreferencesSection::charging, "Charge limit %1%", 80, 50,
         [](AppCore& c) { return int(c.chargeLimit().limitPercent()); }},
        {PreferencesSection::alerts, "Critical battery at %1%", 20, 42,
         [](AppCore& c) { return BatteryMenuChrome::criticalBatteryPercent(c.settings()); }},
    };
    shownRoot();
    for (const auto& s : sliders) {
        SCOPED_TRACE(s.label);
        root->select(s.pane);
        auto* slider = root->pane(s.pane)->findChild<CommitSlider*>();
        ASSERT_NE(slider, nullptr);
        ASSERT_EQ(slider->value(), s.from);
        ASSERT_EQ(s.stored(*core), s.from);
        slider->setSliderDown(true);
        const int step = s.to > s.from ? 1 : -1;
        for (int v = s.from + step; v != s.to + step; v += step) {
            slider->setValue(v);
            EXPECT_TRUE(showsLabel(QString(s.label).arg(v)));
            ASSERT_EQ(s.stored(*core), s.from) << "stored while dragging at " << v;
        }
        slider->setSliderDown(false);
        EXPECT_EQ(s.stored(*core), s.to);
        EXPECT_TRUE(showsLabel(QString(s.label).arg(s.to)));
        // A key press or a click on the track is a choice of its own.
        slider->setValue(s.from);
        EXPECT_EQ(s.stored(*core), s.from);
    }
}

TEST_F(PreferencesRootTest, OpenPanesFollowAnotherWriterAndShowingAgainStartsTheController) {
    ChargeLimitController& charge = core->chargeLimit();
    shownRoot();
    EXPECT_FALSE(labeledSwitch("Launch at Login")->toggle()->isChecked());

    // While the window is open, another process writes the settings file, and an autostart
    // entry appears.
    fixture.tree.write(loginItem->userEntryPath().mid(fixture.tree.root().size() + 1).toStdString(),
                       LaunchAtLoginHelper::desktopEntry("/usr/bin/tarvel", false).toStdString());
    const bool drainAlerts = !core->drainAlerts().isEnabled();
    UserDefaults other(core->settings().path());
    BatteryMenuChrome::setCriticalBatteryPercent(other, 33);
    MenuBarDisplay::set(other, MenuBarDisplayMode::watts);
    other.setBool(kLaunchAtLogin, true);
    other.setBool(DrainAlertMonitor::kEnabledKey, drainAlerts);
    core->settings().reload();  // what the file watcher does a moment later
    EXPECT_TRUE(labeledSwitch("Launch at Login")->toggle()->isChecked());
    EXPECT_EQ(labeledSwitch("Warn on fast drain")->toggle()->isChecked(), drainAlerts);
    EXPECT_TRUE(button("% + Watts")->isChecked());
    root->select(PreferencesSection::alerts);
    EXPECT_TRUE(showsLabel("Critical battery at 33%"));

    // As if the controller had stopped since: showing must start it again.
    charge.stop();
    root->hide();
    root->show();
    EXPECT_TRUE(charge.isRunning());

    // The entry goes again: the switch shows what the system says, whatever was stored.
    core->settings().setBool(kLaunchAtLogin, true);
    ASSERT_TRUE(QFile::remove(loginItem->userEntryPath()));
    root->hide();
    root->show();
    EXPECT_FALSE(labeledSwitch("Launch at Login")->toggle()->isChecked());
}

TEST_F(PreferencesRootTest, MenuBarControlsWriteThroughToTheirOwners) {
    shownRoot();
    const struct {
        const char* segment;
        MenuBarDisplayMode mode;
    } modes[] = {{"% + Watts", MenuBarDisplayMode::watts},
                 {"% + Time", MenuBarDisplayMode::percent}};
    for (const auto& m : modes) {
        QTest::mouseClick(button(m.segment), Qt::LeftButton);
        EXPECT_EQ(MenuBarDisplay::current(core->settings()), m.mode) << m.segment;
    }
    QTest::mouseClick(labeledSwitch("Launch at Login")->toggle(), Qt::LeftButton);
    EXPECT_TRUE(QFile::exists(loginItem->userEntryPath()));
    EXPECT_EQ(core->settings().boolValue(kLaunchAtLogin), true);
    // No Linux desktop lets an application hide its battery icon: the switch stays off.
    QTest::mouseClick(labeledSwitch("Use Tarvel as the battery icon")->toggle(), Qt::LeftButton);
    EXPECT_FALSE(labeledSwitch("Use Tarvel as the battery icon")->toggle()->isChecked());
    EXPECT_FALSE(core->settings().contains("tarvelpro.didHideSystemBattery"));
}

TEST_F(PreferencesRootTest, LayoutControlsSaveOncePerChange) {
    shownRoot().select(PreferencesSection::layout);
    int posts = 0;
    QObject::connect(&AppNotificationCenter::instance(), &AppNotificationCenter::posted, root.get(),
                     [&](const QString& name) {
                         posts += name == QString::fromUtf8(tarvelDashboardPrefsChanged);
                     });
    for (const LayoutToggle& toggle : kLayoutToggles) {
        SCOPED_TRACE(toggle.title);
        const bool before = fixture.prefs.*toggle.field;
        posts = 0;
        QTest::mouseClick(labeledSwitch(QString::fromUtf8(toggle.title))->toggle(), Qt::LeftButton);
        EXPECT_EQ(posts, 1);
        // Written to the store, not only to memory.
        DashboardPrefs reread(core->settings());
        EXPECT_EQ(reread.*toggle.field, !before);
    }
    posts = 0;
    QTest::mouseClick(button("Roomy"), Qt::LeftButton);
    QTest::mouseClick(button("Narrow"), Qt::LeftButton);
    EXPECT_EQ(posts, 2);
    DashboardPrefs reread(core->settings());
    EXPECT_EQ(reread.density, DashboardPrefs::Density::roomy);
    EXPECT_EQ(reread.width, DashboardPrefs::CardWidth::narrow);
    // A preset moves the switches with it.
    button("Simple")->click();
    EXPECT_FALSE(labeledSwitch("Power section")->toggle()->isChecked());
    EXPECT_TRUE(button("Compact")->isChecked());
}

}  // namespace
}  // namespace tarvel
