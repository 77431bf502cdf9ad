#include <gtest/gtest.h>

#include "support/FixtureTree.h"
#include "telemetry/CommandLineReaders.h"

using namespace tarvel;
using tarvel::test::fixturePath;

namespace {
std::string fixture(const std::string& name) {
    FILE* f = std::fopen(fixturePath(name).c_str(), "rb");
    std::string text;
    char buf[4096];
    while (size_t got = std::fread(buf, 1, sizeof buf, f)) text.append(buf, got);
    std::fclose(f);
    return text;
}
}  // namespace

TEST(IoregParser, CapturedDischargingBattery) {
    const auto r = parseIoregText(fixture("ioreg/discharging.txt"));
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

TEST(PmsetParser, CapturedOutputs) {
    auto r = parsePmsetText(fixture("pmset/discharging.txt"));
    EXPECT_EQ(r.level, 85);
    EXPECT_EQ(r.onAC, false);
    EXPECT_EQ(r.minutes, 187);

    r = parsePmsetText(fixture("pmset/adapter-only.txt"));
    EXPECT_EQ(r.present, false);
    EXPECT_EQ(r.onAC, true);
    EXPECT_FALSE(r.ok());

    r = parsePmsetText(fixture("pmset/charged.txt"));
    EXPECT_EQ(r.onAC, true);
    EXPECT_EQ(r.minutes, std::nullopt);  // 0:00 is no time

    r = parsePmsetText(fixture("pmset/calculating.txt"));
    EXPECT_EQ(r.level, 54);
    EXPECT_EQ(r.minutes, std::nullopt);

    r = parsePmsetText("InternalBattery 250%; charging; 12:34 Remaining");
    EXPECT_EQ(r.level, std::nullopt);
    EXPECT_EQ(r.charging, true);
    EXPECT_EQ(r.minutes, 754);
    EXPECT_EQ(parsePmsetText("nothing useful").present, std::nullopt);
}

TEST(CommandLineReaders, RunTheExactCommands) {
    CannedCommandRunner runner;
    runner.setOutput(kPmsetPath, fixture("pmset/discharging.txt"));
    EXPECT_EQ(readBatteryPmset(runner).level, 85);
    EXPECT_EQ(readBatteryIoreg(runner).present, std::nullopt);  // the tool printed nothing
    EXPECT_EQ(runner.calls(kIoregPath), 1);
}
