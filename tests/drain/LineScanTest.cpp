#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "drain/LineScan.h"

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

}  // namespace
}  // namespace tarvel
