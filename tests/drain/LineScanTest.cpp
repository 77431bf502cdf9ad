#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "drain/DrainLogFile.h"
#include "drain/IsoTime.h"
#include "drain/LineScan.h"
#include "drain/WhyDrain.h"

namespace tarvel {
namespace {

TEST(LineScan, QuickTimeOnlyForTheProgramsOwnShape) {
    EXPECT_EQ(quickTime(R"({"t":"2026-03-01T14:05:09Z","kind":"event","name":"x"})"),
              "2026-03-01T14:05:09Z");
    for (const char* other :
         {R"({"kind":"event","t":"2026-03-01T14:05:09Z"})",
          R"({"t":"2026-03-01T14:05:09+01:00","kind":"event"})",
          R"({"t":"2026-03-01T14:05:09Z","t":"2020-01-01T00:00:00Z"})",
          R"({"t":"2026-03-01T14:05:09Z","\u0074":"2020-01-01T00:00:00Z"})",
          R"({"t":"2026-03-01T14:05:09Z","name":"a\"t"})", R"({"t":"2026-03-01 14:05:09Z"})",
          R"({"t":"2026-03-01T14:05:09Z)", R"( {"t":"2026-03-01T14:05:09Z"})", ""})
        EXPECT_TRUE(quickTime(other).empty()) << other;
    EXPECT_EQ(quickBoundary(1772373909.2), "2026-03-01T14:05:10Z");
    EXPECT_EQ(quickBoundary(1772373909.0), "2026-03-01T14:05:09Z");
    EXPECT_EQ(quickBoundary(-5), "");
}

TEST(LineScan, CertainlyValidJsonNeverVouchesForWhatAFullParserRejects) {
    const std::vector<std::string> accepted = {
        R"({"t":"2026-03-01T14:05:09Z","kind":"power","level":80,"packageW":4.5,"chargeW":-7.25,"charging":false,"top":"","topScore":0.0})",
        R"({"a":[1,2,{"b":null}],"c":true,"d":"q\"\\\/\b\f\n\r\t","e":-0})",
        R"({ "a" : [ ] , "b" : { } })",
        "[]",
        "0",
        "\"\""};
    for (const auto& text : accepted) {
        EXPECT_TRUE(certainlyValidJson(text)) << text;
        EXPECT_TRUE(nlohmann::json::accept(text)) << text;
    }
    // Outside the plain subset, valid or not: the full parser decides.
    const std::vector<std::string> unsure = {R"({"a":1e5})",
                                             R"({"a":"\u00e9"})",
                                             "{\"a\":\"caf\xc3\xa9\"}",
                                             "{\"a\":\"\xff\"}",
                                             R"({"a":01})",
                                             R"({"a":1.})",
                                             R"({"a":.5})",
                                             R"({"a":-})",
                                             R"({"a":1,})",
                                             R"({"a" 1})",
                                             R"({"a":tru})",
                                             R"({"a":"x)",
                                             "{\"a\":\"tab\there\"}",
                                             R"({"a":1} x)",
                                             R"({"a":"\x"})",
                                             std::string(100, '[') + std::string(100, ']'),
                                             R"({"a":)" + std::string(400, '9') + "}",
                                             R"([1 2])",
                                             R"({1:2})",
                                             ""};
    for (const auto& text : unsure) EXPECT_FALSE(certainlyValidJson(text)) << text;
}

// The full parser's answer: the line is a record at or after `cutoff`.
bool fullParserKeeps(const std::string& line, double cutoff) {
    const auto j = nlohmann::json::parse(line, nullptr, false);
    if (!j.is_object() || !j.contains("t") || !j["t"].is_string()) return false;
    const auto t = parseIsoTime(j["t"].get<std::string>());
    return t && static_cast<double>(*t) >= cutoff;
}

// A repeated "t" key: JSON parsers keep the last, so the fast path must not trust the first.
TEST(LineScan, FastPathAgreesWithTheFullParserOnARepeatedTimeKey) {
    const double cutoff = static_cast<double>(*parseIsoTime("2026-03-01T13:00:00Z"));
    const double now = cutoff + 3600;
    const struct {
        std::string line;
        bool kept;
    } cases[] = {
        {R"({"t":"2026-03-01T14:05:09Z","\u0074":"2020-01-01T00:00:00Z"})", false},
        {R"({"t":"2026-03-01T14:05:09Z","\u0074":"2020-01-01T00:00:00Z","kind":"proc","name":"x","score":5,"cpu":1})",
         false},
        {R"({"t":"2020-01-01T00:00:00Z","kind":"proc","name":"y","score":5,"cpu":1,"\u0074":"2026-03-01T13:30:00Z"})",
         true},
        {R"({"t":"2026-03-01T14:05:09Z","kind":"proc","name":"z\u00e9","score":5,"cpu":1})", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_TRUE(quickTime(c.line).empty());
        ASSERT_EQ(fullParserKeeps(c.line, cutoff), c.kept);
        EXPECT_EQ(drain_file::pruneText(c.line + "\n", cutoff).text.empty(), !c.kept);
        // `why` counts the record exactly when the full parser places it in the hour.
        const WhyDrain why = analyzeWhyDrain(c.line + "\n", now);
        EXPECT_EQ(why.culprits.size(),
                  c.kept && c.line.find("proc") != std::string::npos ? 1u : 0u);
    }
}

}  // namespace
}  // namespace tarvel
