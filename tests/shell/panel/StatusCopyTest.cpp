#include <gtest/gtest.h>

#include "shell/panel/EnergyLabel.h"
#include "shell/panel/StatusCopy.h"

namespace tarvel {
namespace {

PowerFacts facts(bool present, bool charging, bool onAC, int level) {
    PowerFacts f;
    f.batteryPresent = present;
    f.isCharging = charging;
    f.isOnAC = onAC;
    f.levelPercent = level;
    f.packageWatts = 12.96;
    f.timeText = "2:10 left";
    f.statusText = "Plugged in";
    return f;
}

struct StatusRow {
    const char* name;
    PowerFacts power;
    const char* source;
    const char* time;
    const char* line;
};

TEST(TarvelStatusCopy, LinesFollowThePowerState) {
    const StatusRow rows[] = {
        {"no battery", facts(false, false, true, 0), "Power Adapter", "AC power",
         "Desktop · AC only"},
        // A charger that reports charging without "on AC" still counts as the adapter.
        {"charging", facts(true, true, false, 50), "Power Adapter", "2:10 left",
         "Charging · package 13.0 W"},
        {"on AC at 100", facts(true, false, true, 100), "Power Adapter", "Fully Charged",
         "Fully Charged · package 13.0 W"},
        {"on AC at 99", facts(true, false, true, 99), "Power Adapter", "Plugged in",
         "On Adapter · package 13.0 W"},
        {"on battery", facts(true, false, false, 40), "Battery", "2:10 left",
         "On Battery · package 13.0 W"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(TarvelStatusCopy::powerSourceLine(r.power), r.source);
        EXPECT_EQ(TarvelStatusCopy::timeDetail(r.power), r.time);
        EXPECT_EQ(TarvelStatusCopy::onBatteryLine(r.power), r.line);
    }
}

TEST(EnergyLabel, WattsFromEightHundredthsOfAWattElseTheCpuWord) {
    struct Row {
        double cpu, watts;
        const char* label;
    } rows[] = {
        {90, 0.0799, "High"},  {90, 0.08, "0.08 W"},   {0, 0.999, "1.00 W"}, {0, 1.0, "1.0 W"},
        {0, 9.94, "9.9 W"},    {0, 10.0, "10 W"},      {0, 23.4, "23 W"},    {80, 0, "High"},
        {79.9, 0, "Moderate"}, {25, 0.05, "Moderate"}, {24.9, 0.05, "Low"},  {0, 0, "Low"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.cpu) + " % " + std::to_string(r.watts) + " W");
        EXPECT_EQ(energyLabel(r.cpu, r.watts), r.label);
    }
    EXPECT_EQ(kivoEnergyLabel(80), "High");
    EXPECT_EQ(kivoEnergyLabel(25), "Moderate");
    EXPECT_EQ(kivoEnergyLabel(24.99), "Low");
}

TEST(TarvelStatusCopy, TopAppLineNamesTheFirstApp) {
    EXPECT_EQ(TarvelStatusCopy::topAppLine(std::vector<ProcEnergy>{}), "None");
    ProcEnergy busy;
    busy.name = "firefox";
    busy.cpuPercent = 30;
    busy.estimatedWatts = 2.34;
    ProcEnergy idle;
    idle.name = "bash";
    idle.cpuPercent = 30;
    idle.estimatedWatts = 0.01;
    EXPECT_EQ(TarvelStatusCopy::topAppLine({busy, idle}), "firefox · 2.3 W");
    EXPECT_EQ(TarvelStatusCopy::topAppLine({idle, busy}), "bash · Moderate");
}

}  // namespace
}  // namespace tarvel
