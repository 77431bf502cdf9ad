#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/JsonLines.h"
#include "support/PowerSupplyFixtures.h"

using namespace tarvel::test;
using nlohmann::json;

namespace {

std::string repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

json snapshotJson(const std::vector<std::string>& extra) {
    std::vector<std::string> args{"snapshot", "--json"};
    args.insert(args.end(), extra.begin(), extra.end());
    const auto r = runTarvelctl(args);
    EXPECT_EQ(r.status, 0) << r.err;
    json j = json::parse(r.out);
    EXPECT_EQ(j["schema"], 1);
    return j;
}

// The JSON lines replay prints for `script`.
std::vector<json> replay(const std::string& script) {
    FixtureTree t;
    t.write("script.jsonl", script);
    const auto r = runTarvelctl({"replay", t.root() + "/script.jsonl", "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    const auto lines = jsonLines(r.out);
    for (const auto& j : lines) EXPECT_EQ(j["schema"], 1);
    return lines;
}

}  // namespace

// What each reader saw is in the output beside the merged battery (which the readers' and the
// merge's own tests check).
TEST(SnapshotCommand, DischargingFixtureReportsItsReadings) {
    FixtureTree t;
    dischargingEnergyLaptop(t);
    const json j = snapshotJson({"--sysfs-root", t.root()});
    EXPECT_EQ(j["onAC"], false);
    EXPECT_EQ(j["readings"]["SmartBattery"]["onAC"], false);
    // Cross-check on by default: both tools ran (and printed nothing on Linux).
    EXPECT_EQ(j["readings"]["SmartBattery"]["amperageMA"], -877);
    EXPECT_EQ(j["readings"]["ioreg"]["ok"], false);

    const json quick = snapshotJson({"--sysfs-root", t.root(), "--no-cross-check"});
    EXPECT_EQ(quick["readings"].count("ioreg"), 0u);

    // In text, a machine without battery or adapter says only that.
    const auto text = runTarvelctl({"snapshot", "--sysfs-root", "/nonexistent"});
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("Battery: none\n"), std::string::npos);
}

TEST(SnapshotCommand, RegistryAndToolOutputFromFiles) {
    FixtureTree t;
    t.write("registry.json",
            R"({"CurrentCapacity": 4200, "MaxCapacity": 5000, "AppleRawCurrentCapacity": 4200,
                "AppleRawMaxCapacity": 5000, "DesignCapacity": 5200, "Voltage": 12000,
                "InstantAmperage": 18446744073709550116, "IsCharging": false, "ExternalConnected": false,
                "BatteryData": {"StateOfCharge": 84, "FccComp1": 5000, "DesignCapacity": 5200}})");
    // ioreg and pmset output captured on a discharging MacBook.
    const std::string captured = TARVEL_FIXTURES_DIR;
    const json j = snapshotJson({"--registry", t.root() + "/registry.json", "--ioreg-text",
                                 captured + "/ioreg/discharging.txt", "--pmset-text",
                                 captured + "/pmset/discharging.txt"});
    EXPECT_EQ(j["amperageMA"], -1500);  // the unsigned 64-bit value survived the JSON
    EXPECT_EQ(j["chargeW"], 18.0);
    EXPECT_EQ(j["cycles"], 187);                           // only ioreg knew
    EXPECT_EQ(j["minutes"], 241);                          // ioreg comes before pmset
    EXPECT_EQ(j["readings"]["IOPS"]["present"], nullptr);  // no --power-sources: no list
    EXPECT_EQ(j["readings"]["pmset"]["minutes"], 187);
}

TEST(SnapshotCommand, BadInputIsAUsageError) {
    FixtureTree t;
    const auto usageError = [](const std::vector<std::string>& args) {
        const auto r = runTarvelctl(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_LT(r.err.size(), 300u);
    };
    usageError({"snapshot", "--registry", t.root() + "/missing.json"});
    usageError({"snapshot", "--power-sources"});
    // Nested far beyond any registry entry: converting such a value would overflow the stack.
    const int deep = 100000;
    const std::string arrays = std::string(deep, '[') + std::string(deep, ']');
    for (const auto& [option, content] : std::vector<std::pair<std::string, std::string>>{
             {"--registry", "{not json"},
             {"--registry", "[1, 2]"},
             {"--registry", repeat("{\"a\":", deep) + "1" + std::string(deep, '}')},
             {"--registry", "{\"BatteryData\": {\"CellVoltage\": " + arrays + "}}"},
             {"--power-sources", arrays},
             {"--power-sources", std::string(65, '[') + std::string(65, ']')}}) {
        SCOPED_TRACE(option + " " + content.substr(0, 20));
        t.write("input.json", content);
        usageError({"snapshot", option, t.root() + "/input.json"});
    }
    // 64 levels are still read, and brackets inside strings are no nesting.
    t.write("64-levels.json", "[" + std::string(63, '[') + std::string(63, ']') + "]");
    EXPECT_EQ(runTarvelctl({"snapshot", "--power-sources", t.root() + "/64-levels.json"}).status,
              0);
    t.write("brackets.json", "{\"Name\": \"\\\"" + std::string(100, '[') + "\"}");
    EXPECT_EQ(runTarvelctl({"snapshot", "--registry", t.root() + "/brackets.json"}).status, 0);
}

TEST(ReplayCommand, SmoothsAStreamOfSnapshotsEndToEnd) {
    const auto out = replay(
        R"({"t": 0, "snap": {"present": true, "level": 80, "minutes": 200, "chargeW": 9.5, "sourcesLabel": "SMC"}}
{"t": 3, "snap": {"present": true, "level": 81, "minutes": 260, "chargeW": 9.5}}

{"t": 6, "snap": {"present": true, "level": 81, "minutes": 260, "chargeW": 9.5}}
{"t": 7, "transition": "wake"}
{"t": 10, "snap": {"present": true, "level": 81, "minutes": 100, "chargeW": 9.5}}
{"t": 40, "snap": {"present": true, "level": 100, "onAC": true}}
{"t": 43, "snap": {}}
)");
    ASSERT_EQ(out.size(), 6u);
    EXPECT_EQ(out[0]["statusText"], "On battery · 9.5 W");
    EXPECT_EQ(out[0]["batterySourcesUsed"], "SMC");
    EXPECT_EQ(out[1]["levelPercent"], 80);  // one reading of 81 is not shown yet
    EXPECT_EQ(out[1]["remainingMinutes"], 202);
    EXPECT_EQ(out[2]["levelPercent"], 81);
    EXPECT_EQ(out[3]["remainingMinutes"], out[2]["remainingMinutes"]);  // held after the wake
    EXPECT_EQ(out[4]["statusText"], "Full · on AC");
    EXPECT_EQ(out[5]["statusText"], "No battery");
}

TEST(ReplayCommand, ReportsTheLineOfABadScript) {
    FixtureTree t;
    t.write("bad.jsonl", "{\"t\": 1, \"transition\": \"nap\"}\n");
    EXPECT_EQ(runTarvelctl({"replay", t.root() + "/bad.jsonl"}).status, 2);
    EXPECT_EQ(runTarvelctl({"replay"}).status, 2);

    // Lines nested too deep (once a stack overflow, printing a wrong-typed field among them) and
    // a long value of the wrong type: one clear line on stderr naming the line, never the whole
    // value and never a crash.
    const int deep = 100000;
    const std::string nested = std::string(deep, '[') + std::string(deep, ']');
    CommandResult r;
    for (const auto& [line, message] : std::vector<std::pair<std::string, std::string>>{
             {"{\"t\": 0, \"snap\": {\"level\": " + nested + "}}", "nested"},
             {nested, "nested"},
             {repeat("{\"a\":", deep) + "1" + std::string(deep, '}'), "nested"},
             {"{\"t\": 0, \"snap\": {\"level\": \"" + std::string(5000, 'x') + "\"}}",
              "\"level\""}}) {
        SCOPED_TRACE(line.substr(0, 30));
        t.write("hostile.jsonl", "{\"t\": 0, \"snap\": {}}\n" + line + "\n");
        r = runTarvelctl({"replay", t.root() + "/hostile.jsonl"});
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("hostile.jsonl:2: "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_LT(r.err.size(), 300u);
    }
    EXPECT_NE(r.err.find("xxx…"), std::string::npos) << r.err;  // the long value, cut short
}
