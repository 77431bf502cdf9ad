#include <gtest/gtest.h>

#include "views/TarvelCopy.h"

namespace tarvel {
namespace {

PowerFacts facts(bool present, bool charging, bool onAC, int level,
                 std::optional<std::int64_t> minutes = 95, std::string timeText = "1:35 left") {
    PowerFacts f;
    f.batteryPresent = present;
    f.isCharging = charging;
    f.isOnAC = onAC;
    f.levelPercent = level;
    f.remainingMinutes = minutes;
    f.timeText = std::move(timeText);
    f.statusText = "Plugged in";
    return f;
}

TEST(TarvelCopy, StatusChipAtItsBoundaries) {
    struct Row {
        const char* name;
        PowerFacts power;
        int drop;
        const char* chip;
    } rows[] = {
        {"no battery", facts(false, false, true, 0), 9, "Desktop"},
        {"charging beats a fast drop", facts(true, true, true, 40), 9, "Charging"},
        {"on battery, drop 4", facts(true, false, false, 40), 4, "On battery"},
        {"on battery, drop 5", facts(true, false, false, 40), 5, "Draining fast"},
        {"on AC at 100", facts(true, false, true, 100), 0, "Full"},
        {"on AC at 99", facts(true, false, true, 99), 0, "Plugged in"},
        {"a drop on AC is not draining", facts(true, false, true, 99), 9, "Plugged in"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(TarvelCopy::statusChip(r.power, r.drop), r.chip);
    }
}

TEST(TarvelCopy, FriendlyTimeSaysWhenItIsStillEstimating) {
    struct Row {
        const char* name;
        PowerFacts power;
        const char* text;
    } rows[] = {
        {"no battery", facts(false, false, true, 0), "Running on power adapter"},
        {"known time on battery", facts(true, false, false, 40), "1:35 left"},
        {"known time charging", facts(true, true, true, 40, 30, "30 min to full"),
         "30 min to full"},
        {"calculating on battery", facts(true, false, false, 40, 95, "Calculating…"),
         "Estimating time left…"},
        {"no minutes on battery", facts(true, false, false, 40, std::nullopt),
         "Estimating time left…"},
        {"no minutes while charging", facts(true, true, true, 40, std::nullopt, "Charging"),
         "Estimating time left…"},
        {"no minutes on AC, not charging",
         facts(true, false, true, 100, std::nullopt, "Full · on AC"), "Full · on AC"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(TarvelCopy::friendlyTime(r.power), r.text);
    }
}

}  // namespace
}  // namespace tarvel
