#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "drain/DrainLogFile.h"
#include "drain/IsoTime.h"
#include "drain/LineScan.h"
#include "drain/WhyDrain.h"
#include "support/FixtureTree.h"

namespace tarvel {
namespace {

const double kNow = static_cast<double>(*parseIsoTime("2026-03-01T15:00:00Z"));

std::string at(double secondsAgo) {
    return formatIsoUtc(kNow - secondsAgo);
}

std::string power(double ago, int level, const std::string& top = "", double topScore = 0) {
    return R"({"t":")" + at(ago) + R"(","kind":"power","level":)" + std::to_string(level) +
           R"(,"packageW":4.5,"chargeW":7.25,"charging":false,"top":")" + top + R"(","topScore":)" +
           std::to_string(topScore) + "}\n";
}
std::string proc(double ago, const std::string& name, double score) {
    return R"({"t":")" + at(ago) + R"(","kind":"proc","name":")" + name + R"(","score":)" +
           std::to_string(score) + R"(,"cpu":12.5})" + "\n";
}
std::string event(double ago, const std::string& name) {
    return R"({"t":")" + at(ago) + R"(","kind":"event","name":")" + name + "\"}\n";
}

// The named culprits as "name share: note", to compare whole answers.
std::vector<std::string> named(const WhyDrain& why) {
    std::vector<std::string> lines;
    for (const auto& c : why.culprits)
        lines.push_back(c.name + " " + std::to_string(c.share) + ": " + c.note);
    return lines;
}

TEST(IsoTime, FormatsUtcAndParsesInternetDateTimesOnly) {
    EXPECT_EQ(formatIsoUtc(1772373909.9), "2026-03-01T14:05:09Z");
    EXPECT_EQ(parseIsoTime("2026-03-01T14:05:09Z"), 1772373909);
    EXPECT_EQ(parseIsoTime("2026-03-01T16:05:09+02:00"), 1772373909);
    EXPECT_EQ(parseIsoTime("2024-02-29T00:00:00Z"), 1709164800);
    for (const char* bad :
         {"2026-03-01T14:05:09", "2026-03-01T14:05:09.5Z", "2026-02-30T00:00:00Z",
          "2025-02-29T00:00:00Z", "2026-03-01 14:05:09Z", "yesterday", "", "2026-13-01T00:00:00Z",
          "2026-03-01T24:00:00Z", "2026-03-01T14:05:09+2:00"})
        EXPECT_FALSE(parseIsoTime(bad)) << bad;
}

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
    for (const std::string text :
         {R"({"a":1e5})", R"({"a":"\u00e9"})", "{\"a\":\"caf\xc3\xa9\"}", "{\"a\":\"\xff\"}",
          R"({"a":01})", R"({"a":1.})", R"({"a":.5})", R"({"a":-})", R"({"a":1,})", R"({"a" 1})",
          R"({"a":tru})", R"({"a":"x)", "{\"a\":\"tab\there\"}", R"({"a":1} x)", R"({"a":"\x"})",
          R"([1 2])", R"({1:2})", ""})
        EXPECT_FALSE(certainlyValidJson(text)) << text;
    EXPECT_FALSE(certainlyValidJson(std::string(100, '[') + std::string(100, ']')));
    EXPECT_FALSE(certainlyValidJson(R"({"a":)" + std::string(400, '9') + "}"));
}

TEST(WhyDrain, DropCulpritsAndEventsMakeTheSummary) {
    const std::string steady = "Battery held steady over the last hour (or you were charging).";
    struct Row {
        std::string log;
        int drop;
        size_t culprits;
        std::string summary;
    };
    for (const Row& row : std::vector<Row>{
             {power(3000, 80, "Xcode", 40) + power(2000, 78, "Xcode", 41) +
                  power(100, 75, "Xcode", 39),
              5, 1,
              "Xcode was responsible for the largest share of energy use while battery dropped ~5% "
              "in the last hour."},
             {power(3000, 40) + power(10, 60), 0, 0, steady},  // charging
             {power(5, 50), 0, 0, steady},
             {power(7200, 90) + proc(4000, "old", 9), 0, 0, steady},  // all before the window
             {power(50, 64) + proc(40, "Safari", 3), 0, 1,
              "Battery held steady. Highest energy activity still logged for reference."},
             {event(100, "display_wake") + power(3000, 70) + power(10, 70), 0, 0, steady},
             {event(100, "display_wake") + event(50, "display_wake") + event(40, "system_wake"), 0,
              0, steady + " Display woke 2× in this window."},
             {power(3000, 50) + event(2000, "display_sleep") + event(1500, "display_sleep") +
                  event(1000, "system_sleep") + power(5, 47),
              3, 0,
              "Battery dropped ~3% in the last hour, but no dominant process was logged yet. "
              "Display slept 2×. System sleep recorded."}}) {
        const auto why = analyzeWhyDrain(row.log, kNow);
        EXPECT_EQ(why.dropPercent, row.drop) << row.log;
        EXPECT_EQ(why.summary, row.summary) << row.log;
        EXPECT_EQ(why.culprits.size(), row.culprits) << row.log;
    }
    // Records out of time order are sorted first.
    EXPECT_EQ(analyzeWhyDrain(power(10, 70) + power(3000, 77), kNow).dropPercent, 7);
}

TEST(WhyDrain, ScoresFromProcessAndPowerRecordsAddUpAndOnlyThreeAreNamed) {
    const std::string note = " of attributed energy samples";
    EXPECT_EQ(named(analyzeWhyDrain(proc(100, "A", 30) + proc(90, "B", 10) + power(80, 50, "A", 10),
                                    kNow)),
              (std::vector<std::string>{"A 0.800000: 80%" + note, "B 0.200000: 20%" + note}));
    EXPECT_EQ(named(analyzeWhyDrain(power(3000, 60) + proc(100, "w", 1) + proc(100, "x", 5) +
                                        proc(100, "y", 3) + proc(100, "z", 4) + power(10, 58),
                                    kNow)),
              (std::vector<std::string>{"x 0.384615: 38%" + note, "z 0.307692: 31%" + note,
                                        "y 0.230769: 23%" + note}));
    // Equal scores go by name.
    EXPECT_EQ(named(analyzeWhyDrain(proc(100, "idle", 0) + proc(100, "calm", 0), kNow)),
              (std::vector<std::string>{"calm 0.000000: 0%" + note, "idle 0.000000: 0%" + note}));
}

TEST(WhyDrain, WindowEdgesMalformedLinesAndWrongTypes) {
    // 3,601 s old is out, 3,600 s (the window start) and 3,599 s are in.
    auto why =
        analyzeWhyDrain(power(3601, 99) + power(3600, 90) + power(3599, 89) + power(1, 85), kNow);
    EXPECT_EQ(why.dropPercent, 5);
    why = analyzeWhyDrain(power(3601, 99) + power(3599, 89) + power(1, 85), kNow);
    EXPECT_EQ(why.dropPercent, 4);

    const std::string junk =
        "not json\n[1,2,3]\n{\"t\":\"yesterday\",\"kind\":\"power\",\"level\":1}\n"
        "{\"kind\":\"power\",\"level\":2}\n{\"t\":\"" +
        at(30) + "\",\"kind\":\"power\",\"level\":\"10\"}\n{\"t\":\"" + at(30) +
        "\",\"kind\":\"power\",\"level\":12.5}\n{\"t\":\"" + at(20) +
        "\",\"kind\":\"power\",\"level\":60,\"top\":\"Mail\",\"topScore\":\"high\"}\n{\"t\":\"" +
        at(20) + "\",\"kind\":\"proc\",\"name\":7,\"score\":3}\n{\"kind\":\"event\",\"t\":\"" +
        at(15) + "\",\"name\":\"display_sleep\"}\n{\"t\":\"" + at(10) + "\",\"kind\":\"po";
    why = analyzeWhyDrain(power(3000, 70) + junk + "\n\n" + power(5, 66, "Mail", 2), kNow);
    EXPECT_EQ(why.dropPercent, 4);
    ASSERT_EQ(why.culprits.size(), 1u);  // the power record with a text score adds nothing
    EXPECT_EQ(why.culprits[0].name, "Mail");
    EXPECT_NE(why.summary.find("Display slept 1×."), std::string::npos);  // the reordered event

    // A record with a zone offset counts by its real time, and a repeated "t" by the one JSON
    // keeps.
    why = analyzeWhyDrain("{\"t\":\"" + formatIsoUtc(kNow - 7200) + "\",\"t\":\"" + at(60) +
                              "\",\"kind\":\"power\",\"level\":80}\n" + power(10, 77),
                          kNow);
    EXPECT_EQ(why.dropPercent, 3);
}

// Reading the history backwards from its end gives the answer the whole file gives: over
// days of records, at several moments, with a torn last line, a line longer than a read block
// and lines of another shape inside the window.
TEST(WhyDrain, ReadingFromTheEndAnswersAsTheWholeFileDoes) {
    const char* names[] = {"firefox", "code", "cc1plus", "pipewire"};
    std::string days;
    for (double ago = 3 * 86400.0; ago >= 0; ago -= 30) {
        const int step = static_cast<int>(ago / 30);
        days += power(ago, 100 - (step / 20) % 90, names[step % 4], 10 + step % 7);
        if (step % 3 == 0) days += proc(ago, names[(step / 3) % 4], 20 + step % 11);
        if (step % 720 == 0) days += event(ago, "display_wake");
    }
    std::string longName;  // spans several read blocks, each part told apart
    for (int i = 0; longName.size() < 200000; ++i) longName += std::to_string(i) + ' ';
    const std::string shapes = "{ \"t\" : \"" + at(600) + "\", \"kind\":\"proc\", \"name\":" +
                               "\"\\u0063ode\", \"score\": 900}\n" + "{\"t\":\"" + at(300) +
                               "\",\"kind\":\"event\",\"name\":\"" + longName + "\"}\n";
    const struct {
        const char* label;
        std::string text;
        double now;
    } cases[] = {
        {"days, now", days, kNow},
        {"days, a day ago", days, kNow - 86400},
        {"days, before it began", days, kNow - 4 * 86400.0},
        {"days, after a silent day", days, kNow + 86400},
        {"other shapes in the window", days + shapes + power(1, 20), kNow},
        {"torn last line", days + R"({"t":")" + at(0) + R"(","kind":"pow)", kNow},
        {"one line only", power(10, 50), kNow},
    };
    test::FixtureTree dir;
    for (const auto& c : cases) {
        dir.write("drain.jsonl", c.text);
        const WhyDrain whole = analyzeWhyDrain(c.text, c.now);
        const WhyDrain tail = whyDrainFromFile(dir.root() + "/drain.jsonl", c.now);
        const std::string read =
            drain_file::readLogTail(dir.root() + "/drain.jsonl", quickBoundary(c.now - 7200)).text;
        EXPECT_EQ(read, c.text.substr(c.text.size() - read.size())) << c.label;
        EXPECT_EQ(tail.dropPercent, whole.dropPercent) << c.label;
        EXPECT_EQ(tail.summary, whole.summary) << c.label;
        EXPECT_EQ(named(tail), named(whole)) << c.label;
    }
    // And it reads about two hours of them, not all of them.
    dir.write("drain.jsonl", days);
    const auto read =
        drain_file::readLogTail(dir.root() + "/drain.jsonl", quickBoundary(kNow - 7200));
    EXPECT_LT(read.text.size(), days.size() / 20);
    EXPECT_EQ(read.text.substr(read.text.size() - 100), days.substr(days.size() - 100));
}

}  // namespace
}  // namespace tarvel
