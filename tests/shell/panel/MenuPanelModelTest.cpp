#include <gtest/gtest.h>

#include <QMetaProperty>
#include <functional>
#include <map>
#include <numeric>
#include <set>
#include <utility>

#include "drain/ProcFixture.h"
#include "drain/ProcessEnergyStore.h"
#include "platform/LowPowerMode.h"
#include "platform/linux/ProcProcessList.h"
#include "shell/panel/EnergyLabel.h"
#include "shell/panel/MenuPanelModel.h"
#include "shell/panel/StatusCopy.h"
#include "support/ManualPollTimer.h"
#include "telemetry/PowerStore.h"

namespace tarvel {
namespace {

using test::ManualPollTimer;
using test::ProcFixture;

// Counts the change signals of every published property, by property name.
class SignalCounter : public QObject {
    Q_OBJECT
public:
    explicit SignalCounter(QObject& target) {
        const QMetaObject* mo = target.metaObject();
        const int slot = metaObject()->indexOfSlot("notified()");
        for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i) {
            const QMetaProperty p = mo->property(i);
            names_[p.notifySignalIndex()] = p.name();
            QMetaObject::connect(&target, p.notifySignalIndex(), this, slot);
        }
    }
    // The properties that signalled since the last call (each name once per signal).
    std::multiset<std::string> take() { return std::exchange(hits_, {}); }

public slots:
    void notified() { hits_.insert(names_.at(senderSignalIndex())); }

private:
    std::map<int, std::string> names_;
    std::multiset<std::string> hits_;
};

ProcEnergy app(std::int32_t id, double watts) {
    ProcEnergy p;
    p.id = id;
    p.name = "app" + std::to_string(id);
    p.estimatedWatts = watts;
    return p;
}

class MenuPanelModelTest : public ::testing::Test {
protected:
    ManualClock clock;
    PowerStore power{clock};
    ProcFixture proc;  // a /proc without processes
    ProcProcessList processes{proc.root(), ProcFixture::kHz, 4};
    ProcessEnergyStore energy{clock, processes, [] { return PowerFigures{}; }, nullptr};
    FixedLowPowerMode lowPowerMode;
    std::shared_ptr<ManualPollTimer> timer = std::make_shared<ManualPollTimer>(clock);
    MenuPanelModel model{power, energy, lowPowerMode, timer};

    // A steady on-battery state the edits below start from.
    static MenuPanelInputs base() {
        MenuPanelInputs in;
        in.batteryPresent = true;
        in.levelPercent = 60;
        in.timeText = "3:00 left";
        in.statusText = "On battery";
        in.packageWatts = 5.04;
        in.chargeWatts = 2.0;
        in.cpuDomainWatts = 1.0;
        in.gpuDomainWatts = 0.5;
        in.wattHistorySpark = {1, 2, 3};
        in.wattHistoryCount = 3;
        in.top = {app(10, 3.0), app(11, 2.0), app(12, 1.0), app(13, 0.5), app(14, 0.2)};
        return in;
    }
};

// Each row edits the base state; the model must announce exactly the listed fields.
TEST_F(MenuPanelModelTest, PublishesOnlyChangesPastTheirThresholds) {
    struct Row {
        const char* name;
        std::function<void(MenuPanelInputs&)> edit;
        std::multiset<std::string> announced;
    };
    const auto withSpark = [](std::vector<double> spark) {
        return [spark](MenuPanelInputs& in) { in.wattHistorySpark = spark; };
    };
    const std::vector<Row> rows = {
        {"nothing changes", [](MenuPanelInputs&) {}, {}},
        // 5.06 rounds to 5.1, 0.06 from the shown 5.04.
        {"package 5.04 → 5.06", [](auto& in) { in.packageWatts = 5.06; }, {"packageWatts"}},
        {"package 5.04 → 5.01 rounds to 5.0", [](auto& in) { in.packageWatts = 5.01; }, {}},
        {"charge 2.0 → 2.04 rounds to 2.0", [](auto& in) { in.chargeWatts = 2.04; }, {}},
        {"charge 2.0 → 2.06 rounds to 2.1",
         [](auto& in) { in.chargeWatts = 2.06; },
         {"chargeWatts"}},
        {"cpu domain +0.04", [](auto& in) { in.cpuDomainWatts = 1.04; }, {}},
        {"cpu domain +0.06", [](auto& in) { in.cpuDomainWatts = 1.06; }, {"cpuDomainWatts"}},
        {"gpu domain −0.06", [](auto& in) { in.gpuDomainWatts = 0.44; }, {"gpuDomainWatts"}},
        {"spark points within 0.15 W", withSpark({1.1, 2.14, 2.9}), {}},
        {"spark point moves 0.2 W", withSpark({1, 2, 3.2}), {"spark"}},
        {"spark grows by one point", withSpark({1, 2, 3, 3}), {"spark"}},
        {"empty history keeps the spark",
         [](auto& in) {
             in.wattHistorySpark = {};
             in.wattHistoryCount = 0;
         },
         {}},
        {"history reaches a minute", [](auto& in) { in.wattHistoryCount = 10; }, {"sparkLabel"}},
        {"top five reordered", [](auto& in) { std::swap(in.top[1], in.top[2]); }, {"topApps"}},
        {"app watts within 0.12 W",
         [](auto& in) {
             in.top[0].estimatedWatts = 3.11;
             in.top[4].estimatedWatts = 0.09;
         },
         {}},
        {"app watts 0.13 W apart", [](auto& in) { in.top[3].estimatedWatts = 0.63; }, {"topApps"}},
        {"a sixth app is not shown", [](auto& in) { in.top.push_back(app(15, 9)); }, {}},
        {"one app fewer", [](auto& in) { in.top.pop_back(); }, {"topApps"}},
        {"another process in place", [](auto& in) { in.top[4] = app(20, 0.2); }, {"topApps"}},
        {"plugged in and charging",
         [](auto& in) {
             in.isCharging = true;
             in.isOnAC = true;
         },
         {"isCharging", "isOnAC", "powerSource"}},
        {"full on AC",
         [](auto& in) {
             in.isOnAC = true;
             in.levelPercent = 100;
         },
         {"isOnAC", "levelPercent", "powerSource", "timeDetail"}},
        {"new estimate", [](auto& in) { in.timeText = "2:59 left"; }, {"timeDetail"}},
        {"level no longer readable",
         [](auto& in) { in.levelKnown = false, in.levelPercent = 0; },
         {"levelKnown", "levelPercent"}},
        {"cycles and health appear",
         [](auto& in) {
             in.cycleCount = 0;
             in.healthPercent = 91;
         },
         {"cycleCount", "healthPercent"}},
        {"low power on", [](auto& in) { in.lowPower = true; }, {"lowPower"}},
        {"battery removed",
         [](auto& in) { in.batteryPresent = false; },
         {"batteryPresent", "powerSource", "timeDetail"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        MenuPanelModel fresh{power, energy, lowPowerMode, timer};
        SignalCounter counter{fresh};
        fresh.apply(base());
        counter.take();
        MenuPanelInputs next = base();
        r.edit(next);
        fresh.apply(next);
        EXPECT_EQ(counter.take(), r.announced);
        // A second identical pass announces nothing.
        fresh.apply(next);
        EXPECT_TRUE(counter.take().empty());
    }
}

TEST(MenuPanelSpark, ThinsLongSparklinesToAboutFortyPoints) {
    struct Row {
        std::size_t n, points, stride;
    } rows[] = {{1, 1, 1}, {79, 79, 1}, {80, 40, 2}, {119, 60, 2}, {120, 40, 3}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.n);
        std::vector<double> ramp(r.n);
        std::iota(ramp.begin(), ramp.end(), 0.0);
        const auto points = MenuPanelModel::downsampleSpark(ramp);
        ASSERT_EQ(points.size(), r.points);
        for (std::size_t i = 0; i < points.size(); ++i)
            EXPECT_EQ(points[i], static_cast<double>(i * r.stride));
    }
    EXPECT_TRUE(MenuPanelModel::downsampleSpark({}).empty());
}

TEST(MenuPanelSpark, LabelSaysHowFarTheHistoryReaches) {
    struct Row {
        std::size_t entries;
        const char* label;
    } rows[] = {
        {9, "Package power draw"},
        {10, "Package power draw · last 1 min"},
        {499, "Package power draw · last 49 min"},
        {500, "Package power draw · last hour"},
    };
    for (const auto& r : rows) EXPECT_EQ(MenuPanelModel::sparkLabelFor(r.entries), r.label);
}

BatSnap battery(bool plugged) {
    BatSnap s;
    s.present = true;
    s.level = 70;
    s.charging = plugged;
    s.onAC = plugged;
    s.minutes = 120;
    return s;
}

TEST_F(MenuPanelModelTest, FollowsTheStoresOnlyWhileTracking) {
    power.applyBattery(battery(false));
    model.startTracking();
    EXPECT_EQ(model.levelPercent(), 70);

    model.startTracking();  // already tracking: no second timer
    EXPECT_EQ(timer->starts, 1);

    power.applyBattery(battery(true));
    EXPECT_FALSE(model.isCharging());
    timer->tick();
    EXPECT_TRUE(model.isCharging());

    model.stopTracking();
    power.applyBattery(battery(false));
    timer->tick();
    EXPECT_TRUE(model.isCharging());

    // The popover's warm-up refreshes once without tracking.
    lowPowerMode.set(true);
    model.refreshNow();
    EXPECT_FALSE(model.isCharging());
    EXPECT_TRUE(model.lowPower());
    EXPECT_EQ(timer->starts, 1);
}

PowerFacts facts(bool present, bool charging, bool onAC, int level) {
    return {present, level, charging, onAC, 0, "2:10 left", "Plugged in", {}};
}

TEST(TarvelStatusCopy, LinesFollowThePowerState) {
    const struct {
        const char* name;
        PowerFacts power;
        const char* source;
        const char* time;
    } rows[] = {
        {"no battery", facts(false, false, true, 0), "Power Adapter", "AC power"},
        // A charger that reports charging without "on AC" still counts as the adapter.
        {"charging", facts(true, true, false, 50), "Power Adapter", "2:10 left"},
        {"on AC at 100", facts(true, false, true, 100), "Power Adapter", "Fully Charged"},
        {"on AC at 99", facts(true, false, true, 99), "Power Adapter", "Plugged in"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(TarvelStatusCopy::powerSourceLine(r.power), r.source);
        EXPECT_EQ(TarvelStatusCopy::timeDetail(r.power), r.time);
    }
}

TEST(EnergyLabel, WattsFromEightHundredthsOfAWattElseTheCpuWord) {
    struct Row {
        double cpu, watts;
        const char* label;
    } rows[] = {
        {90, 0.0799, "High"},  {90, 0.08, "0.08 W"},   {0, 0.999, "1.00 W"}, {0, 1.0, "1.0 W"},
        {0, 9.94, "9.9 W"},    {0, 10.0, "10 W"},      {0, 23.4, "23 W"},    {80, 0, "High"},
        {79.9, 0, "Moderate"}, {25, 0.05, "Moderate"}, {24.9, 0.05, "Low"},  {0, 0, "Low"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.cpu) + " % " + std::to_string(r.watts) + " W");
        EXPECT_EQ(energyLabel(r.cpu, r.watts), r.label);
    }
}

}  // namespace
}  // namespace tarvel

#include "MenuPanelModelTest.moc"
