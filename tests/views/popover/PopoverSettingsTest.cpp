// The card style's Power and Settings cards: rows read from the store, and the history
// retention slider, which prunes only what the user lets go of.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>

#include "base/Clock.h"
#include "drain/DrainLog.h"
#include "drain/DrainRecords.h"
#include "views/components/Controls.h"
#include "views/components/MonitorRow.h"
#include "views/popover/OriginalCards.h"
#include "views/popover/PopoverTestSupport.h"
#include "views/popover/PowerSection.h"
#include "views/popover/SettingsSection.h"

namespace tarvel {
namespace {

using test::ViewFixture;
using test::visibleWithText;

std::string readFile(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll().toStdString();
}

void writeFile(const std::string& path, const std::string& text) {
    QDir().mkpath(QFileInfo(QString::fromStdString(path)).path());
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.data(), qint64(text.size()));
}

TEST(PopoverCards, PowerCardRowsFollowTheMachine) {
    struct Case {
        const char* name;
        ViewFixture::Machine machine;
        QString summaryStart;
        QStringList present;
        QStringList absent;
    };
    for (const Case& c :
         {Case{"desktop",
               test::desktopMainsOnly,
               "",
               {"Status", "Time", "Package", "Power source"},
               {"Battery", "Charging", "Battery draw", "Cycles"}},
          Case{"discharging",
               test::dischargingEnergyLaptop,
               "60% · ",
               {"Battery", "Status", "Time", "Package", "Power source", "Battery draw", "Health"},
               {"Charging"}},
          Case{"charging",
               test::chargingLaptop,
               "62% · ",
               {"Battery", "Charging", "Health", "Cycles", "Capacity"},
               {"Battery draw"}}}) {
        SCOPED_TRACE(c.name);
        ViewFixture fixture(c.machine);
        ASSERT_TRUE(fixture.readMachine());
        fixture.settings().setString(MenuChromeStyle::kKey, "original");
        MainRoot root(fixture.services, test::kPopoverSize);
        auto* cards = qobject_cast<OriginalCards*>(root.content());
        ASSERT_NE(cards, nullptr);
        PowerSection* power = cards->power();
        if (QString(c.name) == "desktop")
            EXPECT_TRUE(power->summary().endsWith(" W pkg")) << power->summary().toStdString();
        else
            EXPECT_TRUE(power->summary().startsWith(c.summaryStart))
                << power->summary().toStdString();
        QStringList labels;
        for (const MonitorRow* row : power->findChildren<MonitorRow*>()) labels << row->label();
        for (const QString& label : c.present)
            EXPECT_TRUE(labels.contains(label)) << label.toStdString();
        for (const QString& label : c.absent)
            EXPECT_FALSE(labels.contains(label)) << label.toStdString();
    }
}

TEST(PopoverCards, RetentionSliderPrunesOnlyWhenReleased) {
    ViewFixture fixture;
    const double now = fixture.services.clock.now();
    const std::string old = *eventRecordLine(now - 3 * 86400.0, "three days ago");
    const std::string recent = *eventRecordLine(now - 3600, "an hour ago");
    writeFile(fixture.historyPath(), old + recent);
    fixture.settings().setString(MenuChromeStyle::kKey, "original");
    MainRoot root(fixture.services, test::kPopoverSize);
    auto* cards = qobject_cast<OriginalCards*>(root.content());
    ASSERT_NE(cards, nullptr);
    CommitSlider* slider = cards->settings()->retentionSlider();
    DrainLog& log = fixture.core().drainLog();
    ASSERT_EQ(log.retentionDays(), 14);
    EXPECT_EQ(slider->value(), 14);
    EXPECT_EQ(visibleWithText<QLabel>(root, "History retention: 14 days").size(), 1);

    slider->setSliderDown(true);
    for (int days : {10, 1}) slider->setSliderPosition(days);
    log.waitForPendingWork();
    // The label follows the thumb; nothing is applied while it is held.
    EXPECT_EQ(visibleWithText<QLabel>(root, "History retention: 1 days").size(), 1);
    EXPECT_EQ(log.retentionDays(), 14);
    EXPECT_EQ(readFile(fixture.historyPath()), old + recent);
    for (int days : {14, 2}) slider->setSliderPosition(days);
    slider->setSliderDown(false);
    log.waitForPendingWork();
    EXPECT_EQ(log.retentionDays(), 2);
    EXPECT_EQ(fixture.settings().integer(DrainLog::kRetentionKey), 2);
    EXPECT_EQ(readFile(fixture.historyPath()), recent);
    EXPECT_EQ(visibleWithText<QLabel>(root, "History retention: 2 days").size(), 1);
}

}  // namespace
}  // namespace tarvel
