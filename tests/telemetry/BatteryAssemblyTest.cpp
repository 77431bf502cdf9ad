#include <gtest/gtest.h>

#include "platform/linux/SysfsBatteryServices.h"
#include "support/PowerSupplyFixtures.h"
#include "telemetry/BatteryAssembly.h"
#include "telemetry/CommandLineReaders.h"
#include "telemetry/PowerStore.h"

using namespace tarvel;

// Readers that report nothing are left out: the merge looks readers up by name.
TEST(BatteryMerge, StateFieldsTakeTheFirstSourceThatKnows) {
    BatSourceReading sb(reader::kSmartBattery), iops(reader::kIOPS), pm(reader::kPmset);
    sb.present = true;
    sb.onAC = false;
    iops.level = 150;
    iops.charging = true;
    pm.level = 80;
    // 150 is no level; charging implies the adapter, whatever SB said.
    const BatSnap s = mergeBatteryReadings({sb, iops, pm});
    EXPECT_EQ(std::tuple(s.level, s.onAC), std::tuple(80, true));

    // The adapter state reported apart from the battery speaks only when no reader knows.
    EXPECT_FALSE(mergeBatteryReadings({sb}, true).onAC);
    pm = BatSourceReading(reader::kPmset);
    pm.onAC = true;  // pmset naming only the adapter
    EXPECT_TRUE(mergeBatteryReadings({pm}, false).onAC);
}

TEST(BatteryMerge, ReportedMinutesMustBePlausibleElseTheyAreEstimatedLive) {
    BatSourceReading sb(reader::kSmartBattery), iops(reader::kIOPS);
    sb.present = true;
    sb.minutes = 1500;
    iops.minutes = 310;
    EXPECT_EQ(mergeBatteryReadings({sb, iops}).minutes, 310);
    // Both plausible: the battery entry's own figure comes before the power-source list's.
    sb.minutes = 200;
    EXPECT_EQ(mergeBatteryReadings({sb, iops}).minutes, 200);

    sb.minutes.reset();
    sb.rawCurrent = 3000;
    sb.rawMax = 5000;
    sb.amperageMA = -1000;
    sb.voltageMV = 12000;
    sb.charging = sb.onAC = false;
    BatSnap s = mergeBatteryReadings({sb});
    EXPECT_EQ(std::tuple(s.chargeW, s.minutes, s.minutesIsLiveEstimate),
              std::tuple(12.0, 180, true));
    // On the adapter and not charging no time is shown and none is estimated.
    sb.onAC = true;
    sb.minutes = 200;
    EXPECT_EQ(mergeBatteryReadings({sb}).minutes, std::nullopt);

    // Nearly full while charging: one minute to go, on the adapter.
    sb.minutes.reset();
    sb.onAC = false;
    sb.charging = true;
    sb.rawCurrent = 4995;
    sb.amperageMA = 800;
    s = mergeBatteryReadings({sb});
    EXPECT_EQ(std::tuple(s.minutes, s.onAC), std::tuple(1, true));

    // Three candidates are impossible, two pick the lower middle: current says 60 min,
    // power (with the default 11.5 V when no voltage is known) says 120.
    BatSourceReading slow(reader::kSmartBattery), tele(reader::kTelemetry);
    slow.present = true;
    slow.rawCurrent = 2000;
    slow.rawMax = 5000;
    slow.amperageMA = -2000;
    tele.chargeW = 11.5;
    s = mergeBatteryReadings({slow, tele});  // no voltage: the telemetry figure
    EXPECT_EQ(std::tuple(s.chargeW, s.minutes), std::tuple(11.5, 60));

    // A tiny rawMax or a missing rawCurrent: no estimate.
    slow.rawMax = 50;
    EXPECT_EQ(mergeBatteryReadings({slow, tele}).minutes, std::nullopt);
}

TEST(BatteryMerge, SmallCurrentDefersToTelemetryPower) {
    BatSourceReading sb(reader::kSmartBattery), tele(reader::kTelemetry);
    sb.present = tele.present = true;
    sb.amperageMA = 15;
    sb.voltageMV = 12000;
    sb.chargeW = 3.0;
    tele.chargeW = 4.2;
    EXPECT_DOUBLE_EQ(mergeBatteryReadings({sb, tele}).chargeW, 4.2);
    tele.chargeW = 0.1;
    EXPECT_DOUBLE_EQ(mergeBatteryReadings({sb, tele}).chargeW, 3.0);
}

TEST(BatteryMerge, SourceNamesAndLabel) {
    BatSourceReading gauge(reader::kGauge), tele(reader::kTelemetry), ioreg(reader::kIoreg);
    gauge.present = tele.present = ioreg.present = true;
    EXPECT_EQ(mergeBatteryReadings({gauge, tele}).sourceNames,
              std::vector<std::string>{"sysfs power_supply"});
    EXPECT_EQ(mergeBatteryReadings({tele, ioreg}).sourcesLabel, "Telemetry · ioreg");

    BatSourceReading sb(reader::kSmartBattery), iops(reader::kIOPS), pm(reader::kPmset);
    sb.present = true;
    sb.amperageMA = -500;
    iops.level = 50;
    pm.minutes = 100;
    EXPECT_EQ(mergeBatteryReadings({sb, iops, pm}).sourcesLabel, "sysfs power_supply + pmset");

    const BatSnap none = mergeBatteryReadings({BatSourceReading(reader::kSmartBattery)});
    EXPECT_EQ(std::tuple(none.sourceNames.empty(), none.present), std::tuple(true, false));
}

TEST(ReadBattery, CommandLineToolsRunOnlyWhenNeeded) {
    test::FixtureTree t;
    test::chargingLaptop(t);
    SysfsBatteryServices services(t.root());
    CannedCommandRunner runner;
    auto names = [&](bool crossCheck) {
        std::vector<std::string> out;
        for (const auto& r : collectBatteryReadings(crossCheck, services, runner).readings)
            out.push_back(r.name);
        return out;
    };
    // The power-source list of the ACPI driver has a level but no time: pmset fills in.
    const std::vector<std::string> direct{"IOPS", "SmartBattery", "Gauge", "Telemetry"};
    auto withPmset = direct;
    withPmset.push_back("pmset");
    EXPECT_EQ(names(false), withPmset);
    EXPECT_EQ(runner.calls(kIoregPath), 0);
    withPmset.push_back("ioreg");
    EXPECT_EQ(names(true), withPmset);

    t.write("class/power_supply/BAT0/time_to_full_now", "4500\n");
    EXPECT_EQ(names(false), direct);
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
        // 1900 mAh to go at 1.5 A; 2703 mAh left at 877 mA.
        {"charging", test::chargingLaptop, true, true, true, 62, 1.5 * 12.3, 76},
        {"discharging", test::dischargingEnergyLaptop, true, false, false, 60, 0.877 * 11.4, 185},
        {"full on AC", test::fullOnAC, true, false, true, 100, 0, std::nullopt},
        // The adapter follows the mains supply, not a "Full" status; 4980 mAh left at 800 mA.
        {"full just unplugged", test::fullJustUnplugged, true, false, false, 100, 0.8 * 12.9, 374},
        // No battery, but the mains supply is online; a mouse's battery is none of the machine's.
        {"desktop", test::desktopMainsOnly, false, false, true, 0, 0, std::nullopt},
        {"mouse only", test::mouseBatteryOnly, false, false, true, 0, 0, std::nullopt},
    };
    CannedCommandRunner runner;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.machine);
        test::FixtureTree t;
        row.build(t);
        SysfsBatteryServices services(t.root());
        const BatSnap s = PowerStore::readBattery(services, runner);
        EXPECT_EQ(std::tuple(s.present, s.level, s.charging, s.onAC, s.minutes),
                  std::tuple(row.present, row.level, row.charging, row.onAC, row.minutes));
        EXPECT_NEAR(s.chargeW, row.chargeW, 1e-9);
        EXPECT_EQ(s.sourcesLabel.empty(), !row.present);
    }
}
