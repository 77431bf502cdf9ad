#include <gtest/gtest.h>

#include "support/FixtureTree.h"
#include "telemetry/CommandLineReaders.h"
#include "telemetry/RegistryReaders.h"

using namespace tarvel;
using tarvel::test::fixtureText;

namespace {
RegValue n(std::int64_t v) {
    return RegValue::integer(v);
}
}  // namespace

TEST(SmartBatteryReader, LevelFromPercentOrMilliampHours) {
    auto level = [](RegDict e) { return readSmartBattery(&e).level; };
    EXPECT_EQ(level({{"CurrentCapacity", n(85)}, {"MaxCapacity", n(100)}}), 85);
    EXPECT_EQ(level({{"CurrentCapacity", n(85)}, {"MaxCapacity", n(5000)}}), 2);  // both mAh
    EXPECT_EQ(level({{"CurrentCapacity", n(4200)}, {"MaxCapacity", n(5000)}}), 84);
    EXPECT_EQ(
        level({{"CurrentCapacity", n(4200)}, {"BatteryData", RegDict{{"StateOfCharge", n(77)}}}}),
        77);
    EXPECT_EQ(level({{"CurrentCapacity", n(-3)},
                     {"AppleRawCurrentCapacity", n(2500)},
                     {"AppleRawMaxCapacity", n(5000)}}),
              50);
    EXPECT_EQ(level({{"AppleRawCurrentCapacity", n(25)}, {"AppleRawMaxCapacity", n(50)}}),
              std::nullopt);
    EXPECT_FALSE(readSmartBattery(nullptr).present);
}

TEST(SmartBatteryReader, ChargeStateAndExternalPower) {
    auto read = [](RegDict e) { return readSmartBattery(&e); };
    const auto unplugged = read({{"ExternalConnected", false}});
    EXPECT_EQ(unplugged.onAC, false);
    EXPECT_EQ(unplugged.charging, std::nullopt);
    // A false adapter flag falls back to the charging flag.
    EXPECT_EQ(read({{"IsCharging", true}, {"ExternalConnected", n(0)}}).onAC, true);
    const auto full =
        read({{"IsCharging", true}, {"FullyCharged", true}, {"ExternalConnected", false}});
    EXPECT_EQ(full.charging, false);
    EXPECT_EQ(full.onAC, true);
    EXPECT_EQ(read({{"IsCharging", "yes"}}).charging, std::nullopt);  // a string is no boolean
}

TEST(SmartBatteryReader, AmperageReadingsAndTheSignRule) {
    RegDict e{{"InstantAmperage", RegNumber::fromUnsigned(18446744073709550116ull)},
              {"Voltage", n(12000)},
              {"IsCharging", false}};
    auto r = readSmartBattery(&e);
    EXPECT_EQ(r.amperageMA, -1500);
    ASSERT_TRUE(r.chargeW);
    EXPECT_DOUBLE_EQ(*r.chargeW, 18.0);

    e = {{"InstantAmperage", n(70000)}, {"Amperage", n(-900)}, {"Voltage", n(12000)}};
    EXPECT_EQ(readSmartBattery(&e).amperageMA, -900);

    // Charging with a small current flowing the wrong way: no battery power.
    e = {{"IsCharging", true}, {"InstantAmperage", n(-30)}, {"Voltage", n(12000)}};
    EXPECT_FALSE(readSmartBattery(&e).chargeW);
    e = {{"IsCharging", true}, {"InstantAmperage", n(-60)}, {"Voltage", n(12000)}};
    EXPECT_DOUBLE_EQ(*readSmartBattery(&e).chargeW, 0.06 * 12.0);
    // Unknown charge state counts a positive current as disagreeing.
    e = {{"InstantAmperage", n(35)}, {"Voltage", n(12000)}};
    EXPECT_FALSE(readSmartBattery(&e).chargeW);
}

TEST(SmartBatteryReader, ChargingFallsBackToTheAdapterAndChargerCurrent) {
    RegDict e{{"IsCharging", true}, {"AdapterDetails", RegDict{{"Watts", n(96)}}}};
    EXPECT_DOUBLE_EQ(*readSmartBattery(&e).chargeW, 96.0);
    e["AdapterDetails"] = RegDict{{"Watts", n(200)}};
    EXPECT_DOUBLE_EQ(*readSmartBattery(&e).chargeW, 140.0);
    EXPECT_DOUBLE_EQ(*readSmartBattery(&e).adapterW, 200.0);

    e = {{"IsCharging", true},
         {"Voltage", n(12500)},
         {"ChargerData", RegDict{{"ChargingCurrent", n(2000)}}},
         {"TimeRemaining", n(65535)},
         {"AvgTimeToFull", n(95)}};
    auto r = readSmartBattery(&e);
    EXPECT_DOUBLE_EQ(*r.chargeW, 25.0);
    EXPECT_EQ(r.minutes, 95);
}

TEST(SmartBatteryReader, MinutesCapacityHealthAndVoltage) {
    RegDict e{
        {"TimeRemaining", n(65535)}, {"AvgTimeToEmpty", n(240)}, {"ExternalConnected", false}};
    EXPECT_EQ(readSmartBattery(&e).minutes, 240);
    e["ExternalConnected"] = true;  // on the adapter the average to empty is no answer
    EXPECT_EQ(readSmartBattery(&e).minutes, std::nullopt);

    e = {{"AppleRawMaxCapacity", n(4500)},
         {"DesignCapacity", n(5000)},
         {"CycleCount", n(321)},
         {"BatteryData", RegDict{{"CellVoltage", RegArray{n(3850), n(3849), n(120)}}}}};
    auto r = readSmartBattery(&e);
    EXPECT_EQ(r.health, 90);
    EXPECT_EQ(r.cycles, 321);
    EXPECT_EQ(r.voltageMV, 7699);  // cells under 500 mV are ignored here

    e = {{"NominalChargeCapacity", n(6000)},
         {"DesignCapacity", n(5000)},
         {"Voltage", n(0)},
         {"BatteryData", RegDict{{"Voltage", n(11800)}, {"DesignCapacity", n(1)}}}};
    r = readSmartBattery(&e);
    EXPECT_EQ(r.health, 100);  // clamped
    EXPECT_EQ(r.voltageMV, 11800);
    e = {{"DesignCapacity", n(0)}, {"AppleRawMaxCapacity", n(10)}};
    EXPECT_EQ(readSmartBattery(&e).design, std::nullopt);
}

TEST(GaugeReader, CapacityHealthAndCells) {
    RegDict e{{"BatteryData", RegDict{{"StateOfCharge", n(64)},
                                      {"DesignCapacity", n(5000)},
                                      {"FccComp2", n(4600)},
                                      {"CycleCount", n(12)},
                                      {"CellVoltage", RegArray{n(3850), n(3849), n(120)}}}}};
    auto r = readGauge(&e);
    EXPECT_EQ(r.level, 64);
    EXPECT_EQ(r.health, 92);
    EXPECT_EQ(r.voltageMV, 7819);  // every cell above 0 counts in the gauge
    RegDict empty{{"BatteryData", RegDict{}}};
    EXPECT_EQ(readGauge(&empty).present, std::nullopt);
}

TEST(TelemetryReader, BlendsSystemLoadAndBatteryPower) {
    RegDict e{{"PowerTelemetryData", RegDict{{"BatteryPower", n(12000)}, {"SystemLoad", n(11200)}}},
              {"Voltage", n(12000)},
              {"IsCharging", false}};
    auto r = readTelemetry(&e);
    EXPECT_DOUBLE_EQ(*r.chargeW, 11.6);
    EXPECT_EQ(r.amperageMA, -967);

    e["PowerTelemetryData"] = RegDict{{"BatteryPower", n(12000)}, {"SystemLoad", n(15000)}};
    EXPECT_DOUBLE_EQ(*readTelemetry(&e).chargeW, 12.0);
    // A wrapped negative battery power still reads as its magnitude.
    e["PowerTelemetryData"] =
        RegDict{{"BatteryPower", RegNumber::fromUnsigned(18446744073709539616ull)}};
    EXPECT_DOUBLE_EQ(*readTelemetry(&e).chargeW, 12.0);
    // Implausible power and a low voltage leave the electrical fields alone.
    e = {{"PowerTelemetryData", RegDict{{"BatteryPower", n(150000)}}}, {"Voltage", n(5000)}};
    r = readTelemetry(&e);
    EXPECT_FALSE(r.chargeW);
    EXPECT_FALSE(r.amperageMA);
}

TEST(IOPSReader, ChoosesTheInternalBatterySource) {
    using Sources = std::optional<std::vector<std::optional<RegDict>>>;
    RegDict ups{{"Type", "UPS"}, {"Current Capacity", n(30)}};
    RegDict internal{{"Type", "InternalBattery"}, {"Current Capacity", n(4000)},
                     {"Max Capacity", n(5000)},   {"Power Source State", "AC Power"},
                     {"Is Charging", n(1)},       {"Time to Full Charge", n(45)},
                     {"Time to Empty", n(300)}};
    auto r = readIOPS(Sources{{std::nullopt, ups, internal}});
    EXPECT_EQ(r.level, 80);
    EXPECT_EQ(r.onAC, true);
    EXPECT_EQ(r.minutes, 45);

    EXPECT_EQ(readIOPS(Sources{{ups}}).level, 30);  // a single source is used whatever its type
    EXPECT_EQ(readIOPS(Sources{{ups, ups}}).present, std::nullopt);
    EXPECT_EQ(readIOPS(std::nullopt).present, std::nullopt);

    RegDict named{{"Type", "Other"}, {"Name", "Internal Battery 2"}, {"Current Capacity", n(150)}};
    r = readIOPS(Sources{{ups, named}});
    EXPECT_EQ(r.present, true);
    EXPECT_EQ(r.level, std::nullopt);  // 150 % of no maximum is no level
    EXPECT_EQ(r.onAC, false);
}

TEST(IoregParser, CapturedDischargingBattery) {
    const auto r = parseIoregText(fixtureText("ioreg/discharging.txt"));
    EXPECT_EQ(r.level, 90);  // 3962 / 4382
    EXPECT_EQ(r.health, 96);
    // InstantAmperage printed as 2^64 - 1000 overflows the signed match; Amperage is used.
    EXPECT_EQ(r.amperageMA, -998);
    EXPECT_NEAR(*r.chargeW, 0.998 * 12.41, 1e-9);
    EXPECT_EQ(r.onAC, false);
    EXPECT_EQ(r.minutes, 241);
}

TEST(IoregParser, RepairsKeysBooleansAndMarkers) {
    auto r = parseIoregText(
        "\"MaxCapacity\" = 100\n\"InstantAmperage\" = 4294966680\n\"Voltage\" = 12000\n"
        "\"IsCharging\" = Yes\n\"ExternalConnected\" = No\n\"AvgTimeToFull\" = 50\n"
        "\"AvgTimeToEmpty\" = 300\n");
    EXPECT_EQ(r.amperageMA, -616);  // low 32 bits
    EXPECT_EQ(r.charging, true);
    EXPECT_EQ(r.onAC, true);
    EXPECT_EQ(r.minutes, 50);
    EXPECT_EQ(r.level, std::nullopt);  // no raw current, no CurrentCapacity

    r = parseIoregText(
        "\"CurrentCapacity\" = 42\n\"ExternalConnected\" = 1\n\"TimeRemaining\" = 0\n");
    EXPECT_EQ(r.level, 42);
    EXPECT_EQ(r.onAC, true);
    EXPECT_EQ(r.minutes, std::nullopt);

    r = parseIoregText("\"AppleRawMaxCapacity\" = 4000\n\"DesignCapacity\" = 0\n");
    EXPECT_EQ(r.rawMax, 4000);
    EXPECT_EQ(r.design, std::nullopt);  // a design capacity is at least 1 mAh
    EXPECT_EQ(r.health, std::nullopt);

    r = parseIoregText("\"Voltage\" = 12000\n\"CycleCount\" = 5\n");  // no marker word
    EXPECT_EQ(r.present, std::nullopt);
    EXPECT_EQ(r.cycles, std::nullopt);
    EXPECT_EQ(parseIoregText("").present, std::nullopt);
}

// The first through the command runner, as the application reads it.
TEST(PmsetParser, CapturedOutputs) {
    CannedCommandRunner runner;
    runner.setOutput(kPmsetPath, fixtureText("pmset/discharging.txt"));
    auto r = readBatteryPmset(runner);
    EXPECT_EQ(r.level, 85);
    EXPECT_EQ(r.onAC, false);
    EXPECT_EQ(r.minutes, 187);

    r = parsePmsetText(fixtureText("pmset/adapter-only.txt"));
    EXPECT_EQ(r.present, false);
    EXPECT_EQ(r.onAC, true);
    EXPECT_FALSE(r.ok());

    r = parsePmsetText(fixtureText("pmset/charged.txt"));
    EXPECT_EQ(r.onAC, true);
    EXPECT_EQ(r.minutes, std::nullopt);  // 0:00 is no time

    r = parsePmsetText(fixtureText("pmset/calculating.txt"));
    EXPECT_EQ(r.level, 54);
    EXPECT_EQ(r.minutes, std::nullopt);

    r = parsePmsetText("InternalBattery 250%; charging; 12:34 Remaining");
    EXPECT_EQ(r.level, std::nullopt);
    EXPECT_EQ(r.charging, true);
    EXPECT_EQ(r.minutes, 754);
    EXPECT_EQ(parsePmsetText("nothing useful").present, std::nullopt);
    EXPECT_EQ(readBatteryIoreg(runner).present, std::nullopt);  // the tool printed nothing
    EXPECT_EQ(runner.calls(kIoregPath), 1);
}
