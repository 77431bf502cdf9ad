// The list style's rows and their conditions, the app list and the menu's deferred actions.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>

#include "charge/ChargeLimitController.h"
#include "drain/ProcessEnergyStore.h"
#include "shell/AppNotifications.h"
#include "views/components/Controls.h"
#include "views/popover/PopoverTestSupport.h"

namespace tarvel {
namespace {

using test::rowsLabelled;
using test::ViewFixture;
using test::visibleWithText;

TEST(PopoverList, BatteryRowsFollowTheMachine) {
    struct Case {
        const char* name;
        ViewFixture::Machine machine;
        QString level;
        QString timeLabel;  // empty: no time or status row
        QString stateLine;
    };
    const QStringList timeLabels{"Time Remaining", "Time to Full", "Status"};
    for (const Case& c :
         {Case{"desktop", test::desktopMainsOnly, "—", "", "Desktop · AC only"},
          Case{"discharging", test::dischargingEnergyLaptop, "60%", "Time Remaining",
               "Discharging"},
          Case{"charging", test::chargingLaptop, "62%", "Time to Full", "Charging"},
          // The charge limit has decided nothing: its mode row stands in for the state line.
          Case{"unknown level", test::unreadableLevelLaptop, "—", "Time Remaining", ""}}) {
        SCOPED_TRACE(c.name);
        ViewFixture fixture(c.machine);
        ASSERT_TRUE(fixture.readMachine());
        auto root = test::shownRoot(fixture);
        ASSERT_EQ(rowsLabelled(*root, "Battery").size(), 1);
        EXPECT_EQ(rowsLabelled(*root, "Battery").front()->value(), c.level);
        for (const QString& label : timeLabels)
            EXPECT_EQ(rowsLabelled(*root, label).size(), label == c.timeLabel ? 1 : 0)
                << label.toStdString();
        if (!c.stateLine.isEmpty()) {
            EXPECT_EQ(visibleWithText<QLabel>(*root, c.stateLine).size(), 1);
        }
        EXPECT_EQ(rowsLabelled(*root, "Low Power Mode").front()->value(), "Off");
    }
}

TEST(PopoverList, ChargeControlShowsStopOverrideWhileAnOverrideRuns) {
    ViewFixture fixture(test::chargingLaptop);
    ASSERT_TRUE(fixture.readMachine());
    auto root = test::shownRoot(fixture);
    ChargeLimitController& charge = fixture.core().chargeLimit();
    const auto buttons = [&] {
        QStringList shown;
        for (const char* title : {"Charge to 100%", "Discharge battery", "Stop override"})
            if (!visibleWithText<QPushButton>(*root, title).isEmpty()) shown << title;
        return shown;
    };
    EXPECT_EQ(buttons(), QStringList({"Charge to 100%", "Discharge battery"}));
    visibleWithText<QPushButton>(*root, "Charge to 100%").front()->click();
    EXPECT_TRUE(charge.forceFullCharge());
    EXPECT_EQ(buttons(), QStringList({"Stop override"}));
    EXPECT_EQ(rowsLabelled(*root, "Time to Full").size(), 1);
    visibleWithText<QPushButton>(*root, "Stop override").front()->click();
    EXPECT_FALSE(charge.forceFullCharge());
    charge.dischargeBattery();
    EXPECT_EQ(buttons(), QStringList({"Stop override"}));
    ASSERT_EQ(rowsLabelled(*root, "Status").size(), 1);
    EXPECT_EQ(rowsLabelled(*root, "Status").front()->value(), "Discharging");
    // A limit changed elsewhere while the user holds the slider does not move the thumb.
    auto* slider = root->findChild<CommitSlider*>();
    ASSERT_NE(slider, nullptr);
    slider->setSliderDown(true);
    slider->setValue(60);
    charge.setLimitPercent(75);
    EXPECT_EQ(slider->value(), 60);
    EXPECT_EQ(rowsLabelled(*root, "Charge limit").front()->value(), "60%");
    slider->setSliderDown(false);
    EXPECT_EQ(charge.limitPercent(), 60);
    // Turning management off hides the limit and the overrides.
    charge.setIsEnabled(false);
    EXPECT_TRUE(buttons().isEmpty());
    EXPECT_TRUE(rowsLabelled(*root, "Charge limit").isEmpty());
}

// A battery that only has an end threshold cannot discharge: the button is off, with why.
TEST(PopoverList, DischargeIsOffWhereTheBatteryCannotDischarge) {
    ViewFixture fixture([](const test::FixtureTree& t) {
        test::chargingLaptop(t);
        t.write("class/power_supply/BAT0/charge_control_end_threshold", "100\n");
    });
    ASSERT_TRUE(fixture.readMachine());
    auto root = test::shownRoot(fixture);
    const auto discharge = visibleWithText<QPushButton>(*root, "Discharge battery");
    ASSERT_EQ(discharge.size(), 1);
    EXPECT_FALSE(discharge.front()->isEnabled());
    const auto why = fixture.core().chargeLimit().whyNoDischarge();
    ASSERT_TRUE(why);
    EXPECT_EQ(visibleWithText<QLabel>(*root, QString::fromStdString(*why)).size(), 1);
}

TEST(PopoverList, AppListSaysLoadingUntilTheFirstSampleThenNone) {
    ViewFixture fixture;  // the fixture has no processes
    auto root = test::shownRoot(fixture);
    EXPECT_EQ(visibleWithText<QLabel>(*root, "Loading…").size(), 1);
    EXPECT_TRUE(visibleWithText<QLabel>(*root, "None").isEmpty());
    ASSERT_TRUE(fixture.sampleProcesses());
    EXPECT_TRUE(visibleWithText<QLabel>(*root, "Loading…").isEmpty());
    EXPECT_EQ(visibleWithText<QLabel>(*root, "None").size(), 1);
}

TEST(PopoverList, AppNamesShowAsTheyAreWithAWordForTheirEnergyAndTheirGpuTime) {
    ViewFixture fixture;
    auto root = test::shownRoot(fixture);
    MenuPanelInputs inputs;
    for (int i = 0; i < 7; ++i) {
        ProcEnergy app;
        app.id = 100 + i;
        app.name = i == 0 ? "<b>bold</b> & <i>x</i>" : "app" + std::to_string(i);
        app.cpuPercent = i == 0 ? 90 : 30;
        app.gpuPercent = i == 1 ? 40.4 : 0.4;
        app.estimatedWatts = 1;
        inputs.top.push_back(app);
    }
    fixture.panel.apply(inputs);
    QCoreApplication::processEvents();
    const auto named = visibleWithText<QLabel>(*root, "<b>bold</b> & <i>x</i>");
    ASSERT_EQ(named.size(), 1);
    EXPECT_EQ(named.front()->textFormat(), Qt::PlainText);
    EXPECT_EQ(visibleWithText<QLabel>(*root, "High").size(), 1);
    // At most five apps.
    EXPECT_EQ(visibleWithText<QLabel>(*root, "Moderate").size(), 3);
    EXPECT_EQ(visibleWithText<QLabel>(*root, "Moderate · GPU 40%").size(), 1);
    EXPECT_TRUE(visibleWithText<QLabel>(*root, "app5").isEmpty());
}

TEST(PopoverList, MenuActionsCloseThePopoverFirstAndActFiftyMillisecondsLater) {
    ViewFixture fixture;
    QStringList ran;
    ViewServices::Actions& actions = fixture.services.actions;
    actions.openTarvelPro = [&] { ran << "pro"; };
    actions.openBatterySettings = [&] {
        ran << "battery";
        return true;
    };
    actions.quit = [&] { ran << "quit"; };
    auto root = test::shownRoot(fixture);
    QStringList titles;
    for (const KivoMenuAction* entry : root->findChildren<KivoMenuAction*>())
        titles << entry->text();
    EXPECT_EQ(titles, QStringList({"Get Tarvel Pro", "Settings", "Full Window",
                                   "Open Battery Settings…", "Quit Tarvel Pro"}));
    QStringList posted;
    QObject::connect(&AppNotificationCenter::instance(), &AppNotificationCenter::posted, root.get(),
                     [&](const QString& name) { posted << name; });

    struct Case {
        const char* title;
        QString effect;  // what ran, or the notification posted after closing
    };
    for (const Case& c :
         {Case{"Get Tarvel Pro", "pro"}, Case{"Settings", tarvelOpenPreferences},
          Case{"Full Window", tarvelOpenDashboard}, Case{"Open Battery Settings…", "battery"},
          Case{"Quit Tarvel Pro", "quit"}}) {
        SCOPED_TRACE(c.title);
        posted.clear();
        ran.clear();
        const auto entries = visibleWithText<KivoMenuAction>(*root, c.title);
        ASSERT_EQ(entries.size(), 1);
        QElapsedTimer clock;
        clock.start();
        entries.front()->click();
        EXPECT_EQ(posted, QStringList({tarvelClosePopover}));
        EXPECT_TRUE(ran.isEmpty());
        ASSERT_TRUE(test::waitUntil([&] { return posted.size() + ran.size() == 2; }));
        EXPECT_GE(clock.elapsed(), 45);
        EXPECT_TRUE(posted.contains(c.effect) || ran.contains(c.effect));
    }
}

}  // namespace
}  // namespace tarvel
