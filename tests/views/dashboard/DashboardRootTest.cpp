// The dashboard: its cards, seeding, the why analysis and the app list; and its keys inside a
// real window with the application menu, whose Preferences item is bound to Ctrl+comma too.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <filesystem>
#include <map>

#include "base/UserDefaults.h"
#include "shell/AppNotifications.h"
#include "shell/BuildInfo.h"
#include "shell/ui/MainMenu.h"
#include "shell/ui/SurfaceWindow.h"
#include "views/TarvelOnboarding.h"
#include "views/TarvelOnboardingSheet.h"
#include "views/components/Controls.h"
#include "views/components/PowerDistributionView.h"
#include "views/dashboard/DashboardCustomizePanel.h"
#include "views/dashboard/DashboardHeader.h"
#include "views/dashboard/DashboardRoot.h"
#include "views/dashboard/DashboardSections.h"
#include "views/dashboard/DashboardTexts.h"
#include "views/prefs/LayoutToggles.h"
#include "views/support/ViewFixture.h"

namespace tarvel {
namespace {

using test::button;
using test::section;
using test::sectionTitles;
using test::shownTexts;

const QString kPower = "Power", kEnergy = "Energy Mode",
              kApps = QString::fromUtf8("What’s using power"), kWhy = "Why did battery drop?";

class DashboardRootTest : public ::testing::Test {
protected:
    // Past the first-open seeding and the welcome sheet, unless a test wants them.
    void SetUp() override {
        fixture.core().settings().setBool(DashboardPrefs::kSeededKey, true);
        TarvelOnboarding::markSeen(fixture.core().settings());
    }
    DashboardRoot& shownRoot() {
        root = std::make_unique<DashboardRoot>(fixture.services);
        root->resize(440, 900);
        root->show();
        QCoreApplication::processEvents();
        return *root;
    }
    DashboardPrefs& prefs() { return fixture.prefs; }

    test::ViewFixture fixture{test::dischargingEnergyLaptop,
                              test::ViewFixture::Mode::fakeProcesses};
    std::unique_ptr<DashboardRoot> root;
};

TEST_F(DashboardRootTest, CardsFollowTheShowSwitchesAndThePresets) {
    DashboardRoot& view = shownRoot();
    // Every switch off but the hero's three: no card, no menu bar, no pill, but the hero.
    for (const auto& toggle : DashboardPrefs::toggles()) prefs().*toggle.field = false;
    prefs().largePercent = prefs().showPackageLine = prefs().showTimeRemaining = true;
    prefs().save();
    EXPECT_TRUE(sectionTitles(view).isEmpty());
    QStringList texts = shownTexts(view);
    EXPECT_TRUE(texts.contains("60")) << texts.join(" | ").toStdString();
    EXPECT_FALSE(texts.contains("TARVEL"));

    // The panel's preset buttons, as a user presses them.
    view.setCustomizeOpen(true);
    const struct {
        const char* preset;
        QStringList sections;
        bool fauxMenuBar;
        bool healthRow;
    } cases[] = {
        {"Simple", {kWhy}, false, false},
        {"Detailed", {kPower, kEnergy, kApps, kWhy}, true, false},
        {"Pro", {kPower, kEnergy, kApps, kWhy}, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.preset);
        button(*view.customizePanel(), c.preset)->click();
        EXPECT_EQ(sectionTitles(view), c.sections);
        EXPECT_EQ(view.findChildren<FauxMenuBar*>().size(), c.fauxMenuBar ? 1 : 0);
        texts = shownTexts(view);
        EXPECT_EQ(texts.contains("Health"), c.healthRow) << texts.join(" | ").toStdString();
        // The panel shows what the preset set.
        for (std::size_t i = 0; i < kLayoutToggles.size(); ++i)
            EXPECT_EQ(view.customizePanel()->switches()[i]->toggle()->isChecked(),
                      prefs().*kLayoutToggles[i].field)
                << kLayoutToggles[i].title;
    }
    EXPECT_TRUE(view.isCustomizeOpen());
}

TEST_F(DashboardRootTest, TheFirstShowSeedsTheLayoutOnceAndAsksForTheWelcomeSheet) {
    UserDefaults& settings = fixture.core().settings();
    settings.remove(DashboardPrefs::kSeededKey);
    settings.setString(TarvelOnboarding::kSeenKey, "yes");  // only a boolean true counts
    ASSERT_FALSE(prefs().showSparkline);
    DashboardRoot& view = shownRoot();
    EXPECT_TRUE(prefs().showSparkline);
    // The view shows the seeded layout: the faux menu bar it was built with is gone.
    EXPECT_TRUE(view.findChildren<FauxMenuBar*>().isEmpty());
    ASSERT_NE(view.onboardingSheet(), nullptr);
    EXPECT_TRUE(view.onboardingSheet()->isVisible());

    // The user turns the chart off; a new window does not bring it back.
    prefs().showSparkline = false;
    prefs().save();
    root.reset();
    shownRoot();
    EXPECT_FALSE(prefs().showSparkline);
    // The sheet is still waiting for "Got it"; once pressed, a new window does not show it.
    ASSERT_NE(root->onboardingSheet(), nullptr);
    root->onboardingSheet()->gotItButton()->click();
    EXPECT_EQ(root->onboardingSheet(), nullptr);
    root.reset();
    EXPECT_EQ(shownRoot().onboardingSheet(), nullptr);
}

TEST_F(DashboardRootTest, TheWhySummaryReadsSteadyOrTheDropAndTheChipFollowsIt) {
    // The fixture's first poll wrote a record: without the file the loader's answer says so.
    fixture.core().drainLog().waitForPendingWork();
    std::filesystem::remove(fixture.core().drainLog().fileURL());
    DashboardRoot& view = shownRoot();
    ASSERT_TRUE(test::waitUntil([&] { return view.why().has_value(); }));
    EXPECT_TRUE(shownTexts(view).contains("Not enough local history"));
    EXPECT_EQ(section(view, kWhy)->summary(), "steady");

    const struct {
        int drop;
        const char* summary;
        const char* chip;
    } cases[] = {
        {0, "steady", "On battery"}, {4, "−4%", "On battery"}, {7, "−7%", "Draining fast"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.drop);
        view.showWhy({.dropPercent = c.drop,
                      .windowLabel = "last hour",
                      .culprits = {{"<b>cc1plus</b>", 0.5, "high CPU"}},
                      .summary = "Battery fell while <i>compiling</i>."});
        EXPECT_EQ(section(view, kWhy)->summary(), QString::fromUtf8(c.summary));
        EXPECT_EQ(view.header()->chip()->text(), c.chip);
        const QStringList texts = shownTexts(view);
        EXPECT_TRUE(texts.contains(QString::number(c.drop) + "% · last hour"));
        EXPECT_FALSE(texts.contains("Not enough local history"));
        // Texts from the analysis show as they are.
        EXPECT_TRUE(texts.contains("Battery fell while <i>compiling</i>."));
    }
    // The culprits are listed once the detail is on.
    EXPECT_FALSE(shownTexts(view).contains("<b>cc1plus</b>"));
    prefs().showWhyDetail = true;
    prefs().save();
    EXPECT_TRUE(shownTexts(view).contains("<b>cc1plus</b>"));
    EXPECT_TRUE(shownTexts(view).contains("50% · high CPU"));
}

TEST_F(DashboardRootTest, TheAppsSectionSaysWhenNothingRunsAndShowsNamesLiterally) {
    prefs().showTopAppsList = true;
    prefs().save();
    DashboardRoot& view = shownRoot();
    EXPECT_EQ(section(view, kApps)->summary(), QString::fromUtf8("—"));
    EXPECT_TRUE(shownTexts(view).contains("Nothing heavy running right now"));

    fixture.runProcesses({{300, "<b>miner</b>"}, {301, "editor"}});
    ASSERT_FALSE(fixture.energy().top().empty());
    EXPECT_TRUE(section(view, kApps)->summary().startsWith("<b>miner</b> · "));
    const QStringList texts = shownTexts(view);
    EXPECT_TRUE(texts.contains("editor"));
    EXPECT_FALSE(texts.contains("Nothing heavy running right now"));
    const auto miner = test::visibleWithText<QLabel>(view, "<b>miner</b>");
    ASSERT_FALSE(miner.isEmpty());
    EXPECT_EQ(miner.front()->textFormat(), Qt::PlainText);

    // Without the full list only the leader has a row.
    prefs().showTopAppsList = false;
    prefs().save();
    EXPECT_FALSE(shownTexts(view).contains("editor"));
}

TEST_F(DashboardRootTest, HeaderRowsAndFooterButtonsOfTheDischargingBattery) {
    std::map<std::string, int> runs;
    auto& actions = fixture.services.actions;
    actions.tarvelProTitle = "Open Tarvel Pro";
    actions.openTarvelPro = [&] { ++runs["pro"]; };
    actions.openOmbrel = [&] { ++runs["ombrel"]; };
    actions.checkForUpdates = [&] { ++runs["updates"]; };
    actions.openBatterySettings = [&] { return ++runs["settings"] > 0; };
    DashboardRoot& view = shownRoot();
    const QString summary = view.header()->summary();
    EXPECT_EQ(summary.toStdString(), "60% · 3h 05m · On battery · 10.0 W");
    EXPECT_EQ(section(view, kPower)->summary(), summary);
    EXPECT_TRUE(shownTexts(view).contains("Charge limit"));
    // A machine without domain readings shows no power distribution bars.
    auto* power = view.findChild<DashboardPowerSection*>();
    ASSERT_NE(power, nullptr);
    EXPECT_FALSE(power->distribution()->isVisibleTo(power));
    // Rows follow the controller as it changes, in place.
    fixture.core().chargeLimit().setIsEnabled(false);
    QCoreApplication::processEvents();
    EXPECT_TRUE(shownTexts(view).contains("App mode"));
    EXPECT_FALSE(shownTexts(view).contains("Charge limit"));
    // Low-power mode switches the energy card's summary as it happens.
    fixture.lowPower.set(true);
    EXPECT_EQ(section(view, kEnergy)->summary(), "Low Power On");
    // The why analysis is refreshed only while the window is shown.
    EXPECT_TRUE(view.whyTimer().isActive());
    view.hide();
    EXPECT_FALSE(view.whyTimer().isActive());
    view.show();
    EXPECT_TRUE(view.whyTimer().isActive());
    // The footer's and the energy card's buttons run their actions.
    for (const char* title : {"Open Tarvel Pro", "Get Ombrel", "Updates", "Open Battery Settings…"})
        button(view, QString::fromUtf8(title))->click();
    EXPECT_EQ(runs, (std::map<std::string, int>{
                        {"pro", 1}, {"ombrel", 1}, {"updates", 1}, {"settings", 1}}));
    EXPECT_TRUE(shownTexts(view).contains(DashboardTexts::displayVersion(TARVEL_VERSION)));
    // The version's channel suffix reads as a word.
    EXPECT_EQ(DashboardTexts::displayVersion("v0.1.5-Pro-Beta"), "v0.1.5-Pro Beta");
    EXPECT_EQ(DashboardTexts::displayVersion("v2.0"), "v2.0");
}

// The dashboard's fixture, its view inside a real window with the application menu.
class DashboardKeysTest : public DashboardRootTest {
protected:
    void SetUp() override {
        DashboardRootTest::SetUp();
        window.setContent(dashboard);
        installMainMenu(*window.menuBar(), {[this] { ++dashboardsOpened; },
                                            [this] { ++preferencesOpened; }, [] {}, [] {}});
        QObject::connect(&AppNotificationCenter::instance(), &AppNotificationCenter::posted,
                         &window, [this](const QString& name) {
                             if (name == tarvelCloseDashboard) ++closeRequests;
                         });
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    // Keys go where a user's would: to the widget with the focus.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        ASSERT_EQ(focus->window(), &window);
        QTest::keyClick(focus, key, modifiers);
    }

    SurfaceWindow window{"Tarvel Pro", QColor(13, 13, 20), QSize(440, 640), QSize(360, 420)};
    DashboardRoot* dashboard = new DashboardRoot(fixture.services);
    int dashboardsOpened = 0;
    int preferencesOpened = 0;
    int closeRequests = 0;
};

// Ctrl+comma toggles the panel over the menu's Preferences item and a comma alone does nothing;
// Escape closes the panel first and the window on the second press.
TEST_F(DashboardKeysTest, CtrlCommaTogglesThePanelAndEscapeClosesItThenTheWindow) {
    // From the view's own key catcher, then from a button that took the focus.
    for (const bool focusOnButton : {false, true}) {
        SCOPED_TRACE(focusOnButton);
        if (focusOnButton) test::button(*dashboard, "Refresh analysis")->setFocus();
        press(Qt::Key_Comma, Qt::ControlModifier);
        EXPECT_TRUE(dashboard->isCustomizeOpen());
        press(Qt::Key_Comma);
        EXPECT_TRUE(dashboard->isCustomizeOpen());
        press(Qt::Key_Comma, Qt::ControlModifier);
        EXPECT_FALSE(dashboard->isCustomizeOpen());
        press(Qt::Key_Comma);
        EXPECT_FALSE(dashboard->isCustomizeOpen());
    }
    // The menu's other shortcuts still reach it.
    press(Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(dashboardsOpened, 1);
    dashboard->header()->layoutButton()->click();
    ASSERT_TRUE(dashboard->isCustomizeOpen());
    press(Qt::Key_Escape);
    EXPECT_FALSE(dashboard->isCustomizeOpen());
    EXPECT_EQ(closeRequests, 0);
    press(Qt::Key_Escape);
    EXPECT_EQ(closeRequests, 1);
    EXPECT_EQ(preferencesOpened, 0);
}

TEST_F(DashboardKeysTest, EditDeleteRemovesTheSelectedText) {
    auto* edit = new QLineEdit("battery", dashboard);
    edit->show();
    edit->setFocus();
    edit->setSelection(0, 3);
    for (QAction* action : window.menuBar()->actions()[1]->menu()->actions())
        if (action->text() == "Delete") action->trigger();
    EXPECT_EQ(edit->text(), "tery");
}

}  // namespace
}  // namespace tarvel
