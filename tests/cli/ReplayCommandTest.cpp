#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "support/FixtureTree.h"

using namespace tarvel::test;
using nlohmann::json;

namespace {

std::vector<json> replay(const std::string& script) {
    FixtureTree t;
    t.write("script.jsonl", script);
    const auto r = runTarvelctl({"replay", t.root() + "/script.jsonl", "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<json> lines;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) lines.push_back(json::parse(line));
    return lines;
}

}  // namespace

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
    t.write("bad.jsonl", "{\"t\": 0, \"snap\": {}}\n{\"t\": 1, \"snap\": {\"level\": \"high\"}}\n");
    auto r = runTarvelctl({"replay", t.root() + "/bad.jsonl"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("bad.jsonl:2:"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("level"), std::string::npos);

    t.write("bad2.jsonl", "{\"t\": 1, \"transition\": \"nap\"}\n");
    EXPECT_EQ(runTarvelctl({"replay", t.root() + "/bad2.jsonl"}).status, 2);
    EXPECT_EQ(runTarvelctl({"replay"}).status, 2);

    // Hostile lines: one clear line on stderr, never the whole value and never a crash.
    const int deep = 100000;
    const std::string nested = std::string(deep, '[') + std::string(deep, ']');
    struct Row {
        const char* what;
        std::string line;
        const char* message;
    };
    for (const Row& row :
         {Row{"deep field", "{\"t\": 0, \"snap\": {\"level\": " + nested + "}}", "nested"},
          Row{"deep line", nested, "nested"},
          Row{"deep objects",
              [&] {
                  std::string objects;
                  for (int i = 0; i < deep; ++i) objects += "{\"a\":";
                  return objects + "1" + std::string(deep, '}');
              }(),
              "nested"},
          Row{"long value", "{\"t\": 0, \"snap\": {\"level\": \"" + std::string(5000, 'x') + "\"}}",
              "\"level\""}}) {
        t.write("hostile.jsonl", "{\"t\": 0, \"snap\": {}}\n" + row.line + "\n");
        r = runTarvelctl({"replay", t.root() + "/hostile.jsonl"});
        EXPECT_EQ(r.status, 2) << row.what;
        EXPECT_NE(r.err.find("hostile.jsonl:2: "), std::string::npos) << row.what << r.err;
        EXPECT_NE(r.err.find(row.message), std::string::npos) << row.what << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << row.what;
        EXPECT_LT(r.err.size(), 300u) << row.what;
    }
    EXPECT_NE(r.err.find("xxx…"), std::string::npos) << r.err;  // the long value, cut short
}
