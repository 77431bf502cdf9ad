#include <gtest/gtest.h>

#include "platform/RegistryJson.h"
#include "platform/linux/SysfsBatteryServices.h"
#include "platform/linux/SysfsPowerSupply.h"
#include "support/PowerSupplyFixtures.h"

using namespace tarvel;
using namespace tarvel::test;

namespace {

std::optional<std::int64_t> intAt(const RegDict& d, const char* key) {
    auto it = d.find(key);
    if (it == d.end() || !it->second.number()) return std::nullopt;
    return it->second.number()->signed64();
}

}  // namespace

// The fixture machines' capacities, currents, voltages and charge states are read through this
// class by the battery reading's and the snapshot command's tests; what they do not reach is here.
TEST(SysfsBatteryServices, PowerSourceCyclesAdapterWattsAndTheKernelsTimeEstimate) {
    FixtureTree t;
    chargingLaptop(t);
    const auto s = SysfsBatteryServices(t.root()).copyBatteryServices();
    const RegDict& e = *s.smartBattery;
    EXPECT_EQ(*s.powerSources->front()->at("Power Source State").string(), "AC Power");
    EXPECT_EQ(intAt(e, "CycleCount"), 123);
    EXPECT_DOUBLE_EQ(e.at("AdapterDetails").dict()->at("Watts").number()->real(), 65.0);
    EXPECT_FALSE(intAt(e, "TimeRemaining"));  // the ACPI driver has no time files

    FixtureTree energy;
    dischargingEnergyLaptop(energy);
    energy.write("class/power_supply/BAT1/time_to_empty_now", "11100\n");
    EXPECT_EQ(intAt(*SysfsBatteryServices(energy.root()).copyBatteryServices().smartBattery,
                    "TimeRemaining"),
              185);

    // Without any voltage the charge is not guessed, but health (full over design) still is;
    // a firmware's 103 % full reads as 100.
    FixtureTree bare;
    dischargingEnergyLaptop(bare);
    bare.remove("class/power_supply/BAT1/voltage_min_design");
    bare.remove("class/power_supply/BAT1/voltage_now");
    bare.write("class/power_supply/BAT1/capacity", "103\n");
    const auto e2 = *SysfsBatteryServices(bare.root()).copyBatteryServices().smartBattery;
    EXPECT_FALSE(intAt(e2, "AppleRawCurrentCapacity"));
    EXPECT_FALSE(intAt(e2, "Amperage"));
    EXPECT_EQ(intAt(e2, "CurrentCapacity"), 100);
    EXPECT_NEAR(double(*intAt(e2, "AppleRawMaxCapacity")) / double(*intAt(e2, "DesignCapacity")),
                50.0 / 57.0, 1e-3);
}

// A mouse's battery and an empty slot: either alone would make an entry if it counted.
TEST(SysfsBatteryServices, PeripheralsAndEmptySlotsHaveNoBatteryEntry) {
    FixtureTree t;
    mouseBatteryOnly(t);
    t.writeAll("class/power_supply/BAT1", {{"type", "Battery\n"}, {"present", "0\n"}});
    const auto s = SysfsBatteryServices(t.root()).copyBatteryServices();
    EXPECT_FALSE(s.smartBattery);
    ASSERT_TRUE(s.powerSources);
    EXPECT_TRUE(s.powerSources->empty());
}

TEST(SysfsBatteryServices, GarbageValuesAreDroppedNotInvented) {
    FixtureTree t;
    garbageBattery(t);
    const auto s = SysfsBatteryServices(t.root()).copyBatteryServices();
    ASSERT_TRUE(s.smartBattery);
    const RegDict& e = *s.smartBattery;
    for (const char* key :
         {"CurrentCapacity", "AppleRawCurrentCapacity", "Amperage", "Voltage", "CycleCount",
          "TimeRemaining"})  // TimeRemaining: negative seconds are no time
        EXPECT_FALSE(intAt(e, key)) << key;
    EXPECT_EQ(intAt(e, "AppleRawMaxCapacity"), 5000);

    EXPECT_EQ(parseSysfsInteger(" -42\n"), -42);
    EXPECT_FALSE(parseSysfsInteger("10000000000001"));
    EXPECT_FALSE(parseSysfsInteger("4.2"));
    EXPECT_FALSE(parseSysfsInteger(""));
}

TEST(SysfsBatteryServices, TwoSystemBatteriesCombineIntoOne) {
    FixtureTree t;
    t.writeAll("class/power_supply/BAT0", {{"type", "Battery\n"},
                                           {"status", "Discharging\n"},
                                           {"capacity", "60\n"},
                                           {"charge_now", "3000000\n"},
                                           {"charge_full", "5000000\n"},
                                           {"current_now", "500000\n"},
                                           {"voltage_now", "12000000\n"},
                                           {"cycle_count", "300\n"},
                                           {"time_to_empty_now", "3600\n"}});
    t.writeAll("class/power_supply/BAT1", {{"type", "Battery\n"},
                                           {"status", "Unknown\n"},
                                           {"capacity", "50\n"},
                                           {"charge_now", "2000000\n"},
                                           {"charge_full", "4000000\n"},
                                           {"current_now", "700000\n"},
                                           {"voltage_now", "11000000\n"},
                                           {"cycle_count", "40\n"}});
    addMains(t, "AC", false);
    const RegDict e = *SysfsBatteryServices(t.root()).copyBatteryServices().smartBattery;
    EXPECT_EQ(intAt(e, "CurrentCapacity"), 56);  // 5000 of 9000 mAh
    EXPECT_EQ(intAt(e, "Amperage"), -1200);      // the "Unknown" pack drains with the machine
    EXPECT_EQ(intAt(e, "Voltage"), 11500);
    EXPECT_EQ(intAt(e, "CycleCount"), 300);
    EXPECT_FALSE(intAt(e, "TimeRemaining"));  // one pack's estimate is not the machine's
}

// The 64-bit reinterpretation is the registry readers' tests'.
TEST(RegNumber, ReadsWrappedAndLossyValuesTheWayTheBatteryControllerNeeds) {
    const auto wrapped = RegNumber::fromUnsigned(18446744073709550116ull);  // 2^64 - 1500
    EXPECT_FALSE(wrapped.signed64());
    EXPECT_EQ(wrapped.low32Signed(), -1500);

    const auto wrapped32 = RegNumber::fromSigned(4294966680);  // 2^32 - 616
    EXPECT_EQ(wrapped32.low32Signed(), -616);

    EXPECT_FALSE(RegNumber::fromReal(3.7).signed64());
    EXPECT_EQ(RegNumber::fromReal(12.0).signed64(), 12);
    EXPECT_TRUE(RegNumber::fromSigned(-1).truthy());
}

// An unsigned 64-bit value through JSON is the snapshot command's test (a registry file read by
// the command).
TEST(RegistryJson, BooleansRealsAndNullsComeFromJson) {
    const auto v = tarvel::regValueFromJson(nlohmann::json::parse(
        R"({"IsCharging": true, "Watts": 96.5, "Name": "x", "CellVoltage": [3850, 3849],
            "Gone": null})"));
    ASSERT_TRUE(v && v->dict());
    const auto& d = *v->dict();
    EXPECT_TRUE(*d.at("IsCharging").boolean());
    EXPECT_EQ(d.at("Watts").number()->real(), 96.5);
    EXPECT_EQ(d.count("Gone"), 0u);
}
