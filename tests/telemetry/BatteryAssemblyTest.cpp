#include <gtest/gtest.h>

#include "platform/linux/SysfsBatteryServices.h"
#include "support/PowerSupplyFixtures.h"
#include "telemetry/BatteryAssembly.h"
#include "telemetry/CommandLineReaders.h"
#include "telemetry/PowerStore.h"

using namespace tarvel;

namespace {

BatSourceReading reading(const char* name) {
    return BatSourceReading(name);
}

// The four direct readings, present but empty, plus any extra ones given.
std::vector<BatSourceReading> withDirect(std::vector<BatSourceReading> given) {
    std::vector<BatSourceReading> all;
    for (const char* n :
         {reader::kIOPS, reader::kSmartBattery, reader::kGauge, reader::kTelemetry}) {
        auto it =
            std::find_if(given.begin(), given.end(), [&](const auto& r) { return r.name == n; });
        all.push_back(it != given.end() ? *it : reading(n));
    }
    for (const auto& r : given)
        if (r.name == reader::kPmset || r.name == reader::kIoreg) all.push_back(r);
    return all;
}

}  // namespace

TEST(BatteryMerge, StateFieldsTakeTheFirstSourceThatKnows) {
    auto sb = reading(reader::kSmartBattery);
    sb.present = true;
    sb.onAC = false;
    auto iops = reading(reader::kIOPS);
    iops.level = 150;
    iops.charging = true;
    auto pm = reading(reader::kPmset);
    pm.level = 80;
    const BatSnap s = mergeBatteryReadings(withDirect({sb, iops, pm}));
    EXPECT_EQ(s.level, 80);  // 150 is no level
    EXPECT_TRUE(s.onAC);     // charging implies the adapter, whatever SB said

    // The adapter state reported apart from the battery speaks only when no reader knows.
    sb.onAC = false;
    EXPECT_FALSE(mergeBatteryReadings(withDirect({sb}), true).onAC);
    pm = reading(reader::kPmset);
    pm.onAC = true;  // pmset naming only the adapter
    EXPECT_TRUE(mergeBatteryReadings(withDirect({pm}), false).onAC);
}

TEST(BatteryMerge, ReportedMinutesMustBePlausibleElseTheyAreEstimatedLive) {
    auto sb = reading(reader::kSmartBattery);
    sb.present = true;
    sb.minutes = 1500;
    auto iops = reading(reader::kIOPS);
    iops.minutes = 310;
    EXPECT_EQ(mergeBatteryReadings(withDirect({sb, iops})).minutes, 310);
    // Both plausible: the battery entry's own figure comes before the power-source list's.
    sb.minutes = 200;
    EXPECT_EQ(mergeBatteryReadings(withDirect({sb, iops})).minutes, 200);

    sb.minutes.reset();
    sb.rawCurrent = 3000;
    sb.rawMax = 5000;
    sb.amperageMA = -1000;
    sb.voltageMV = 12000;
    sb.charging = false;
    sb.onAC = false;
    BatSnap s = mergeBatteryReadings(withDirect({sb}));
    EXPECT_DOUBLE_EQ(s.chargeW, 12.0);
    EXPECT_EQ(s.minutes, 180);
    EXPECT_TRUE(s.minutesIsLiveEstimate);
    // On the adapter and not charging no time is shown and none is estimated.
    sb.onAC = true;
    sb.minutes = 200;
    EXPECT_EQ(mergeBatteryReadings(withDirect({sb})).minutes, std::nullopt);

    // Nearly full while charging: one minute to go, on the adapter.
    sb.minutes.reset();
    sb.onAC = false;
    sb.charging = true;
    sb.rawCurrent = 4995;
    sb.amperageMA = 800;
    s = mergeBatteryReadings(withDirect({sb}));
    EXPECT_EQ(s.minutes, 1);
    EXPECT_TRUE(s.onAC);

    // Three candidates are impossible, two pick the lower middle: current says 60 min,
    // power (with the default 11.5 V when no voltage is known) says 120.
    auto slow = reading(reader::kSmartBattery);
    slow.present = true;
    slow.rawCurrent = 2000;
    slow.rawMax = 5000;
    slow.amperageMA = -2000;
    auto tele = reading(reader::kTelemetry);
    tele.chargeW = 11.5;
    s = mergeBatteryReadings(withDirect({slow, tele}));
    EXPECT_DOUBLE_EQ(s.chargeW, 11.5);  // no voltage: the telemetry figure
    EXPECT_EQ(s.minutes, 60);

    // A tiny rawMax or a missing rawCurrent: no estimate.
    slow.rawMax = 50;
    EXPECT_EQ(mergeBatteryReadings(withDirect({slow, tele})).minutes, std::nullopt);
}

TEST(BatteryMerge, SmallCurrentDefersToTelemetryPower) {
    auto sb = reading(reader::kSmartBattery);
    sb.present = true;
    sb.amperageMA = 15;
    sb.voltageMV = 12000;
    sb.chargeW = 3.0;
    auto tele = reading(reader::kTelemetry);
    tele.present = true;
    tele.chargeW = 4.2;
    EXPECT_DOUBLE_EQ(mergeBatteryReadings(withDirect({sb, tele})).chargeW, 4.2);
    tele.chargeW = 0.1;
    EXPECT_DOUBLE_EQ(mergeBatteryReadings(withDirect({sb, tele})).chargeW, 3.0);
}

TEST(BatteryMerge, SourceNamesAndLabel) {
    auto gauge = reading(reader::kGauge);
    gauge.present = true;
    auto tele = reading(reader::kTelemetry);
    tele.present = true;
    BatSnap s = mergeBatteryReadings(withDirect({gauge, tele}));
    EXPECT_EQ(s.sourceNames, std::vector<std::string>{"sysfs power_supply"});

    auto ioreg = reading(reader::kIoreg);
    ioreg.present = true;
    s = mergeBatteryReadings(withDirect({tele, ioreg}));
    EXPECT_EQ(s.sourcesLabel, "Telemetry · ioreg");

    auto sb = reading(reader::kSmartBattery);
    sb.present = true;
    sb.amperageMA = -500;
    auto iops = reading(reader::kIOPS);
    iops.level = 50;
    auto pm = reading(reader::kPmset);
    pm.minutes = 100;
    s = mergeBatteryReadings(withDirect({sb, iops, pm}));
    EXPECT_EQ(s.sourcesLabel, "sysfs power_supply + pmset");

    s = mergeBatteryReadings(withDirect({}));
    EXPECT_TRUE(s.sourceNames.empty());
    EXPECT_FALSE(s.present);
}

TEST(ReadBattery, CommandLineToolsRunOnlyWhenNeeded) {
    test::FixtureTree t;
    test::chargingLaptop(t);
    SysfsBatteryServices services(t.root());
    CannedCommandRunner runner;
    // The power-source list of the ACPI driver has a level but no time: pmset fills in.
    auto readings = collectBatteryReadings(false, services, runner).readings;
    ASSERT_EQ(readings.size(), 5u);
    EXPECT_EQ(readings.back().name, "pmset");
    EXPECT_EQ(runner.calls(kIoregPath), 0);

    readings = collectBatteryReadings(true, services, runner).readings;
    ASSERT_EQ(readings.size(), 6u);
    EXPECT_EQ(readings[4].name, "pmset");
    EXPECT_EQ(readings[5].name, "ioreg");

    t.write("class/power_supply/BAT0/time_to_full_now", "4500\n");
    readings = collectBatteryReadings(false, services, runner).readings;
    EXPECT_EQ(readings.size(), 4u);
}

TEST(ReadBattery, FixtureMachinesGiveWhatTheirNumbersImply) {
    struct Row {
        const char* machine;
        void (*build)(const test::FixtureTree&);
        bool present, charging, onAC;
        int level;
        double chargeW;
        std::optional<std::int64_t> minutes;
    };
    const Row rows[] = {
        {"charging", test::chargingLaptop, true, true, true, 62, 1.5 * 12.3,
         76},  // 1900 mAh at 1.5 A
        {"discharging", test::dischargingEnergyLaptop, true, false, false, 60, 0.877 * 11.4,
         185},  // 2703 mAh at 877 mA
        {"full on AC", test::fullOnAC, true, false, true, 100, 0, std::nullopt},
        // No battery, but the mains supply is online.
        {"desktop", test::desktopMainsOnly, false, false, true, 0, 0, std::nullopt},
    };
    CannedCommandRunner runner;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.machine);
        test::FixtureTree t;
        row.build(t);
        SysfsBatteryServices services(t.root());
        const BatSnap s = PowerStore::readBattery(services, runner);
        EXPECT_EQ(s.present, row.present);
        EXPECT_EQ(s.level, row.level);
        EXPECT_EQ(s.charging, row.charging);
        EXPECT_EQ(s.onAC, row.onAC);
        EXPECT_NEAR(s.chargeW, row.chargeW, 1e-9);
        EXPECT_EQ(s.minutes, row.minutes);
        if (!row.present) {
            EXPECT_EQ(s.sourcesLabel, "");
        }
    }
}
