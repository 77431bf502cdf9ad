// The popover: which style its root draws, what every appearance resets and the welcome sheet;
// the list style's rows, the app list and the menu's deferred actions; the card style's Power
// card and its history retention slider, which prunes only what the user lets go of.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include "charge/ChargeLimitController.h"
#include "drain/DrainLog.h"
#include "drain/DrainRecords.h"
#include "drain/ProcessEnergyStore.h"
#include "shell/AppNotifications.h"
#include "views/TarvelOnboardingSheet.h"
#include "views/components/Controls.h"
#include "views/components/MonitorRow.h"
#include "views/popover/NewerList.h"
#include "views/popover/OriginalCards.h"
#include "views/popover/PowerSection.h"
#include "views/popover/SettingsSection.h"
#include "views/support/ViewFixture.h"

namespace tarvel {
namespace {

using test::kPopoverSize;
using test::rowsLabelled;
using test::ViewFixture;
using test::visibleWithText;

bool showsNewer(const MainRoot& root) {
    return qobject_cast<NewerList*>(root.content()) != nullptr;
}

// The first appearance also loads the why analysis and shows the welcome sheet until dismissed.
TEST(MainRoot, ReadsTheStoredStyleWhenBuiltAndEveryAppearanceStoresNewer) {
    struct Case {
        const char* stored;  // nullptr: nothing stored
        bool newer;
    };
    for (const Case& c : {Case{nullptr, true}, Case{"original", false}, Case{"banana", true}}) {
        SCOPED_TRACE(c.stored ? c.stored : "(none)");
        ViewFixture fixture;
        if (c.stored) fixture.settings().setString(MenuChromeStyle::kKey, c.stored);
        MainRoot root(fixture.services, kPopoverSize);
        EXPECT_EQ(showsNewer(root), c.newer);
        EXPECT_FALSE(root.whyLoaded());

        QStringList posted;
        QObject::connect(&AppNotificationCenter::instance(), &AppNotificationCenter::posted, &root,
                         [&](const QString& name) { posted << name; });
        root.show();
        EXPECT_EQ(fixture.settings().string(MenuChromeStyle::kKey), "newer");
        EXPECT_TRUE(posted.contains(tarvelMenuBarDisplayChanged));
        EXPECT_TRUE(showsNewer(root));

        ASSERT_TRUE(test::waitUntil([&] { return root.whyLoaded(); }));
        EXPECT_EQ(root.why()->summary, why_texts::kNoHistory);
        ASSERT_TRUE(root.isShowingOnboarding());
        auto* sheet = root.findChild<TarvelOnboardingSheet*>();
        ASSERT_NE(sheet, nullptr);
        sheet->gotItButton()->click();
        EXPECT_FALSE(root.isShowingOnboarding());
        root.hide();
        root.show();
        EXPECT_FALSE(root.isShowingOnboarding());
    }
}

// The chooser at the end of the list switches the open popover. Both styles, on a discharging
// laptop, keep the popover's width and scroll what does not fit.
TEST(MainRoot, FollowsAStyleChangedWhileItIsShownAndScrollsWhatDoesNotFit) {
    ViewFixture fixture;
    ASSERT_TRUE(fixture.readMachine());
    ASSERT_TRUE(fixture.sampleProcesses());
    auto root = test::shownRoot(fixture);
    const auto fitsTheWidthAndScrolls = [&] {
        QCoreApplication::processEvents();
        EXPECT_LE(root->content()->width(), kPopoverSize.width());
        if (root->content()->sizeHint().height() > kPopoverSize.height()) {
            EXPECT_GT(root->scrollArea()->verticalScrollBar()->maximum(), 0);
        }
    };
    fitsTheWidthAndScrolls();
    auto* chooser = root->content()->findChild<SegmentedPicker*>();
    ASSERT_NE(chooser, nullptr);
    chooser->segment(1)->click();
    EXPECT_EQ(fixture.settings().string(MenuChromeStyle::kKey), "original");
    EXPECT_FALSE(showsNewer(*root));
    fitsTheWidthAndScrolls();
    // Another notification with the style unchanged keeps the same content.
    QWidget* cards = root->content();
    postAppNotification(tarvelMenuBarDisplayChanged);
    EXPECT_EQ(root->content(), cards);
}

// Each style's battery rows: the list's label=value rows and state line, the Power card's
// summary and row labels.
TEST(MainRoot, BatteryRowsFollowTheMachineInBothStyles) {
    struct Case {
        const char* name;
        ViewFixture::Machine machine;
        QString rows;
        QString stateLine;
        QString card;
    };
    for (const Case& c :
         {Case{"desktop", test::desktopMainsOnly,
               "Battery=—, Power Source=Power Adapter, Low Power Mode=Off, Charge limit=80%",
               "Desktop · AC only", "0.0 W pkg: Status, Time, Package, Power source"},
          Case{"discharging", test::dischargingEnergyLaptop,
               "Battery=60%, Time Remaining=3h 5m left, Power Source=Battery, "
               "Battery Capacity=88%, Low Power Mode=Off, Charge limit=80%",
               "Discharging",
               "60% · 0.0W: Battery, Status, Time, Package, Power source, Battery draw, Health, "
               "Capacity"},
          Case{"charging", test::chargingLaptop,
               "Battery=62%, Time to Full=1h 16m to full, Power Source=Power Adapter, "
               "Cycle Count=123, Battery Capacity=89%, Low Power Mode=Off, Charge limit=80%",
               "Charging",
               "62% · 0.0W: Battery, Status, Time, Package, Power source, Charging, Health, "
               "Cycles, Capacity"},
          // The charge limit has decided nothing: its mode row stands in for the state line.
          Case{"unknown level", test::unreadableLevelLaptop,
               "Battery=—, Time Remaining=Calculating…, App Mode=Automatic, Power Source=Battery, "
               "Low Power Mode=Off, Charge limit=80%",
               "", "— · 0.0W: Battery, Status, Time, Package, Power source"}}) {
        SCOPED_TRACE(c.name);
        ViewFixture fixture(c.machine);
        ASSERT_TRUE(fixture.readMachine());
        // The card style first: showing a root stores the list style.
        fixture.settings().setString(MenuChromeStyle::kKey, "original");
        MainRoot cardsRoot(fixture.services, kPopoverSize);
        auto* cards = qobject_cast<OriginalCards*>(cardsRoot.content());
        ASSERT_NE(cards, nullptr);
        QStringList labels;
        for (const MonitorRow* row : cards->power()->findChildren<MonitorRow*>())
            labels << row->label();
        EXPECT_EQ(cards->power()->summary() + ": " + labels.join(", "), c.card);

        auto root = test::shownRoot(fixture);
        QStringList rows;
        for (const KivoRow* row : root->findChildren<KivoRow*>())
            if (row->isVisibleTo(root.get())) rows << row->label() + "=" + row->value();
        EXPECT_EQ(rows.join(", "), c.rows);
        EXPECT_TRUE(c.stateLine.isEmpty() || test::shownTexts(*root).contains(c.stateLine));
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

// "Loading…" until the first sample, "None" when nothing runs; names as they are, with a word
// for their energy and their GPU time.
TEST(PopoverList, AppListNamesTheAppsLiterallyAndMenuActionsCloseThePopoverFirst) {
    ViewFixture fixture;  // the fixture has no processes
    QStringList effects;  // the notifications posted and the actions run, in order
    ViewServices::Actions& actions = fixture.services.actions;
    actions.openTarvelPro = [&] { effects << "pro"; };
    actions.openBatterySettings = [&] {
        effects << "battery";
        return true;
    };
    actions.quit = [&] { effects << "quit"; };
    auto root = test::shownRoot(fixture);
    EXPECT_EQ(visibleWithText<QLabel>(*root, "Loading…").size(), 1);
    EXPECT_TRUE(visibleWithText<QLabel>(*root, "None").isEmpty());
    ASSERT_TRUE(fixture.sampleProcesses());
    EXPECT_TRUE(visibleWithText<QLabel>(*root, "Loading…").isEmpty());
    EXPECT_EQ(visibleWithText<QLabel>(*root, "None").size(), 1);
    MenuPanelInputs inputs;
    for (int i = 0; i < 5; ++i) {
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
    EXPECT_EQ(visibleWithText<QLabel>(*root, "Moderate").size(), 3);
    EXPECT_EQ(visibleWithText<QLabel>(*root, "Moderate · GPU 40%").size(), 1);

    // The menu's actions close the popover, then act fifty milliseconds later.
    QObject::connect(&AppNotificationCenter::instance(), &AppNotificationCenter::posted, root.get(),
                     [&](const QString& name) { effects << name; });
    struct Case {
        const char* title;
        QString effect;
    };
    for (const Case& c :
         {Case{"Get Tarvel Pro", "pro"}, Case{"Settings", tarvelOpenPreferences},
          Case{"Full Window", tarvelOpenDashboard}, Case{"Open Battery Settings…", "battery"},
          Case{"Quit Tarvel Pro", "quit"}}) {
        SCOPED_TRACE(c.title);
        effects.clear();
        const auto entries = visibleWithText<KivoMenuAction>(*root, c.title);
        ASSERT_EQ(entries.size(), 1);
        QElapsedTimer clock;
        clock.start();
        entries.front()->click();
        EXPECT_EQ(effects, QStringList({tarvelClosePopover}));
        ASSERT_TRUE(test::waitUntil([&] { return effects.size() == 2; }));
        EXPECT_GE(clock.elapsed(), 45);
        EXPECT_EQ(effects, QStringList({tarvelClosePopover, c.effect}));
    }
}

TEST(PopoverCards, RetentionSliderPrunesOnlyWhenReleased) {
    ViewFixture fixture;
    const double now = fixture.services.clock.now();
    const std::string old = *eventRecordLine(now - 3 * 86400.0, "three days ago");
    const std::string recent = *eventRecordLine(now - 3600, "an hour ago");
    const std::string history =
        fixture.core().drainLog().fileURL().substr(fixture.tree.root().size() + 1);
    fixture.tree.write(history, old + recent);
    fixture.settings().setString(MenuChromeStyle::kKey, "original");
    MainRoot root(fixture.services, test::kPopoverSize);
    auto* cards = qobject_cast<OriginalCards*>(root.content());
    ASSERT_NE(cards, nullptr);
    CommitSlider* slider = cards->settings()->retentionSlider();
    DrainLog& log = fixture.core().drainLog();
    EXPECT_EQ(slider->value(), 14);
    EXPECT_EQ(visibleWithText<QLabel>(root, "History retention: 14 days").size(), 1);

    slider->setSliderDown(true);
    for (int days : {10, 1}) slider->setSliderPosition(days);
    log.waitForPendingWork();
    // The label follows the thumb; nothing is applied while it is held.
    EXPECT_EQ(visibleWithText<QLabel>(root, "History retention: 1 days").size(), 1);
    EXPECT_EQ(log.retentionDays(), 14);
    EXPECT_EQ(fixture.tree.read(history), old + recent);
    for (int days : {14, 2}) slider->setSliderPosition(days);
    slider->setSliderDown(false);
    log.waitForPendingWork();
    // Applied once let go; what a new retention prunes is the drain log's own test.
    EXPECT_EQ(log.retentionDays(), 2);
    EXPECT_EQ(visibleWithText<QLabel>(root, "History retention: 2 days").size(), 1);
}

}  // namespace
}  // namespace tarvel
