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
BatSourceReading sb(RegDict e) {
    return readSmartBattery(&e);
}
}  // namespace

TEST(SmartBatteryReader, LevelFromPercentOrMilliampHours) {
    auto level = [](RegDict e) { return sb(std::move(e)).level; };
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
    const auto unplugged = sb({{"ExternalConnected", false}});
    EXPECT_EQ(unplugged.onAC, false);
    EXPECT_EQ(unplugged.charging, std::nullopt);
    // A false adapter flag falls back to the charging flag.
    EXPECT_EQ(sb({{"IsCharging", true}, {"ExternalConnected", n(0)}}).onAC, true);
    const auto full =
        sb({{"IsCharging", true}, {"FullyCharged", true}, {"ExternalConnected", false}});
    EXPECT_EQ(full.charging, false);
    EXPECT_EQ(full.onAC, true);
    EXPECT_EQ(sb({{"IsCharging", "yes"}}).charging, std::nullopt);  // a string is no boolean
}

TEST(SmartBatteryReader, AmperageReadingsAndTheSignRule) {
    const auto r = sb({{"InstantAmperage", RegNumber::fromUnsigned(18446744073709550116ull)},
                       {"Voltage", n(12000)},
                       {"IsCharging", false}});
    EXPECT_EQ(r.amperageMA, -1500);
    EXPECT_EQ(r.chargeW, 18.0);
    EXPECT_EQ(sb({{"InstantAmperage", n(70000)}, {"Amperage", n(-900)}}).amperageMA, -900);

    // Charging with a small current flowing the wrong way: no battery power.
    RegDict e{{"IsCharging", true}, {"InstantAmperage", n(-30)}, {"Voltage", n(12000)}};
    EXPECT_FALSE(sb(e).chargeW);
    e["InstantAmperage"] = n(-60);
    EXPECT_DOUBLE_EQ(*sb(e).chargeW, 0.06 * 12.0);
    // Unknown charge state counts a positive current as disagreeing.
    EXPECT_FALSE(sb({{"InstantAmperage", n(35)}, {"Voltage", n(12000)}}).chargeW);
}

TEST(SmartBatteryReader, ChargingFallsBackToTheAdapterAndChargerCurrent) {
    EXPECT_EQ(sb({{"IsCharging", true}, {"AdapterDetails", RegDict{{"Watts", n(96)}}}}).chargeW,
              96.0);
    const auto big = sb({{"IsCharging", true}, {"AdapterDetails", RegDict{{"Watts", n(200)}}}});
    EXPECT_EQ(std::tuple(big.chargeW, big.adapterW), std::tuple(140.0, 200.0));

    const auto r = sb({{"IsCharging", true},
                       {"Voltage", n(12500)},
                       {"ChargerData", RegDict{{"ChargingCurrent", n(2000)}}},
                       {"TimeRemaining", n(65535)},
                       {"AvgTimeToFull", n(95)}});
    EXPECT_EQ(std::tuple(r.chargeW, r.minutes), std::tuple(25.0, 95));
}

TEST(SmartBatteryReader, MinutesCapacityHealthAndVoltage) {
    RegDict e{
        {"TimeRemaining", n(65535)}, {"AvgTimeToEmpty", n(240)}, {"ExternalConnected", false}};
    EXPECT_EQ(sb(e).minutes, 240);
    e["ExternalConnected"] = true;  // on the adapter the average to empty is no answer
    EXPECT_EQ(sb(e).minutes, std::nullopt);

    // Cells under 500 mV are ignored here.
    auto r = sb({{"AppleRawMaxCapacity", n(4500)},
                 {"DesignCapacity", n(5000)},
                 {"CycleCount", n(321)},
                 {"BatteryData", RegDict{{"CellVoltage", RegArray{n(3850), n(3849), n(120)}}}}});
    EXPECT_EQ(std::tuple(r.health, r.cycles, r.voltageMV), std::tuple(90, 321, 7699));

    r = sb({{"NominalChargeCapacity", n(6000)},
            {"DesignCapacity", n(5000)},
            {"Voltage", n(0)},
            {"BatteryData", RegDict{{"Voltage", n(11800)}, {"DesignCapacity", n(1)}}}});
    EXPECT_EQ(std::tuple(r.health, r.voltageMV), std::tuple(100, 11800));  // health clamped
    EXPECT_EQ(sb({{"DesignCapacity", n(0)}, {"AppleRawMaxCapacity", n(10)}}).design, std::nullopt);
}

TEST(GaugeReader, CapacityHealthAndCells) {
    RegDict e{{"BatteryData", RegDict{{"StateOfCharge", n(64)},
                                      {"DesignCapacity", n(5000)},
                                      {"FccComp2", n(4600)},
                                      {"CycleCount", n(12)},
                                      {"CellVoltage", RegArray{n(3850), n(3849), n(120)}}}}};
    const auto r = readGauge(&e);
    // Every cell above 0 mV counts in the gauge.
    EXPECT_EQ(std::tuple(r.level, r.health, r.voltageMV), std::tuple(64, 92, 7819));
    RegDict empty{{"BatteryData", RegDict{}}};
    EXPECT_EQ(readGauge(&empty).present, std::nullopt);
}

TEST(TelemetryReader, BlendsSystemLoadAndBatteryPower) {
    RegDict e{{"PowerTelemetryData", RegDict{{"BatteryPower", n(12000)}, {"SystemLoad", n(11200)}}},
              {"Voltage", n(12000)},
              {"IsCharging", false}};
    const auto r = readTelemetry(&e);
    EXPECT_EQ(std::tuple(r.chargeW, r.amperageMA), std::tuple(11.6, -967));

    e["PowerTelemetryData"] = RegDict{{"BatteryPower", n(12000)}, {"SystemLoad", n(15000)}};
    EXPECT_DOUBLE_EQ(*readTelemetry(&e).chargeW, 12.0);
    // A wrapped negative battery power still reads as its magnitude.
    e["PowerTelemetryData"] =
        RegDict{{"BatteryPower", RegNumber::fromUnsigned(18446744073709539616ull)}};
    EXPECT_DOUBLE_EQ(*readTelemetry(&e).chargeW, 12.0);
    // Implausible power and a low voltage leave the electrical fields alone.
    e = {{"PowerTelemetryData", RegDict{{"BatteryPower", n(150000)}}}, {"Voltage", n(5000)}};
    const auto implausible = readTelemetry(&e);
    EXPECT_FALSE(implausible.chargeW || implausible.amperageMA);
}

TEST(IOPSReader, ChoosesTheInternalBatterySource) {
    using Sources = std::optional<std::vector<std::optional<RegDict>>>;
    RegDict ups{{"Type", "UPS"}, {"Current Capacity", n(30)}};
    RegDict internal{{"Type", "InternalBattery"}, {"Current Capacity", n(4000)},
                     {"Max Capacity", n(5000)},   {"Power Source State", "AC Power"},
                     {"Is Charging", n(1)},       {"Time to Full Charge", n(45)},
                     {"Time to Empty", n(300)}};
    auto r = readIOPS(Sources{{std::nullopt, ups, internal}});
    EXPECT_EQ(std::tuple(r.level, r.onAC, r.minutes), std::tuple(80, true, 45));

    EXPECT_EQ(readIOPS(Sources{{ups}}).level, 30);  // a single source is used whatever its type
    EXPECT_EQ(readIOPS(Sources{{ups, ups}}).present, std::nullopt);
    EXPECT_EQ(readIOPS(std::nullopt).present, std::nullopt);

    RegDict named{{"Type", "Other"}, {"Name", "Internal Battery 2"}, {"Current Capacity", n(150)}};
    r = readIOPS(Sources{{ups, named}});
    // 150 % of no maximum is no level.
    EXPECT_EQ(std::tuple(r.present, r.level, r.onAC), std::tuple(true, std::nullopt, false));
}

TEST(IoregParser, CapturedDischargingBattery) {
    const auto r = parseIoregText(fixtureText("ioreg/discharging.txt"));
    // Level 3962 / 4382. InstantAmperage printed as 2^64 - 1000 overflows the signed match;
    // Amperage is used.
    EXPECT_EQ(std::tuple(r.level, r.health, r.amperageMA, r.onAC, r.minutes),
              std::tuple(90, 96, -998, false, 241));
    EXPECT_NEAR(*r.chargeW, 0.998 * 12.41, 1e-9);
}

TEST(IoregParser, RepairsKeysBooleansAndMarkers) {
    auto r = parseIoregText(
        "\"MaxCapacity\" = 100\n\"InstantAmperage\" = 4294966680\n\"Voltage\" = 12000\n"
        "\"IsCharging\" = Yes\n\"ExternalConnected\" = No\n\"AvgTimeToFull\" = 50\n"
        "\"AvgTimeToEmpty\" = 300\n");
    // The current's low 32 bits; no level without a raw current or a CurrentCapacity.
    EXPECT_EQ(std::tuple(r.amperageMA, r.charging, r.onAC, r.minutes, r.level),
              std::tuple(-616, true, true, 50, std::nullopt));

    r = parseIoregText(
        "\"CurrentCapacity\" = 42\n\"ExternalConnected\" = 1\n\"TimeRemaining\" = 0\n");
    EXPECT_EQ(std::tuple(r.level, r.onAC, r.minutes), std::tuple(42, true, std::nullopt));

    r = parseIoregText("\"AppleRawMaxCapacity\" = 4000\n\"DesignCapacity\" = 0\n");
    // A design capacity is at least 1 mAh.
    EXPECT_EQ(std::tuple(r.rawMax, r.design, r.health),
              std::tuple(4000, std::nullopt, std::nullopt));

    r = parseIoregText("\"Voltage\" = 12000\n\"CycleCount\" = 5\n");  // no marker word
    EXPECT_EQ(std::tuple(r.present, r.cycles), std::tuple(std::nullopt, std::nullopt));
    EXPECT_EQ(parseIoregText("").present, std::nullopt);
}

// The first through the command runner, as the application reads it.
TEST(PmsetParser, CapturedOutputs) {
    CannedCommandRunner runner;
    runner.setOutput(kPmsetPath, fixtureText("pmset/discharging.txt"));
    auto r = readBatteryPmset(runner);
    EXPECT_EQ(std::tuple(r.level, r.onAC, r.minutes), std::tuple(85, false, 187));

    r = parsePmsetText(fixtureText("pmset/adapter-only.txt"));
    EXPECT_EQ(std::tuple(r.present, r.onAC, r.ok()), std::tuple(false, true, false));

    r = parsePmsetText(fixtureText("pmset/charged.txt"));
    EXPECT_EQ(std::tuple(r.onAC, r.minutes), std::tuple(true, std::nullopt));  // 0:00 is no time

    r = parsePmsetText(fixtureText("pmset/calculating.txt"));
    EXPECT_EQ(std::tuple(r.level, r.minutes), std::tuple(54, std::nullopt));

    r = parsePmsetText("InternalBattery 250%; charging; 12:34 Remaining");
    EXPECT_EQ(std::tuple(r.level, r.charging, r.minutes), std::tuple(std::nullopt, true, 754));
    EXPECT_EQ(parsePmsetText("nothing useful").present, std::nullopt);
    EXPECT_EQ(readBatteryIoreg(runner).present, std::nullopt);  // the tool printed nothing
    EXPECT_EQ(runner.calls(kIoregPath), 1);
}
