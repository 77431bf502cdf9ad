#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cerrno>
#include <functional>

#include "base/UserDefaults.h"
#include "charge/ChargeFixtures.h"
#include "charge/ChargeLimitController.h"
#include "platform/linux/SysfsAttributeIO.h"
#include "platform/linux/SysfsChargerTransport.h"
#include "platform/linux/SysfsFile.h"

namespace tarvel {
namespace {

using test::FixtureTree;
using test::threshold;
using test::writeLaptop;
using test::writeThresholds;
using Writes = std::vector<std::pair<std::string, std::string>>;

// Plain files that answer threshold writes as a driver does: a start at or above the end, or an
// end at or below the start, is refused with EINVAL (as thinkpad_acpi and others do), and
// `keep` turns the asked end into the one the firmware keeps. Records every write in order.
class KernelThresholdIO final : public SysfsAttributeIO {
public:
    std::function<int(int)> keep = [](int asked) { return asked; };
    Writes writes;  // (attribute name, value)
    int refusals = 0;

    std::optional<std::string> read(const std::string& path) override { return posix().read(path); }

    int write(const std::string& path, const std::string& value) override {
        const std::string name = path.substr(path.rfind('/') + 1);
        writes.emplace_back(name, value);
        const std::string dir = path.substr(0, path.rfind('/'));
        const auto asked = parseSysfsInteger(value);
        if (name == "charge_control_start_threshold") {
            const auto end = readSysfsInteger(dir + "/charge_control_end_threshold");
            if (!asked || (end && *asked >= *end)) return refuse();
        } else if (name == "charge_control_end_threshold") {
            const auto start = readSysfsInteger(dir + "/charge_control_start_threshold");
            if (!asked || (start && *asked <= *start)) return refuse();
            return posix().write(path, std::to_string(keep(static_cast<int>(*asked))));
        }
        return posix().write(path, value);
    }

private:
    int refuse() {
        ++refusals;
        return EINVAL;
    }
};

constexpr const char* kStart = "charge_control_start_threshold";
constexpr const char* kEnd = "charge_control_end_threshold";

// The controller over an ASUS-like battery (end threshold only) whose level the test sets.
class ThresholdControllerTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    UserDefaults defaults{dir.path().toStdString() + "/defaults.json"};
    FixtureTree tree;
    KernelThresholdIO io;
    std::unique_ptr<SysfsChargerTransport> transport;
    std::unique_ptr<ChargeSMC> smc;
    ChargeBatteryState battery{true, 90, true, false};
    std::unique_ptr<ChargeLimitController> controller;

    void SetUp() override {
        writeLaptop(tree, 90, true, "Charging", "");
        writeThresholds(tree, 100);
        transport = std::make_unique<SysfsChargerTransport>(tree.root(), io);
        smc = std::make_unique<ChargeSMC>(*transport);
        controller =
            std::make_unique<ChargeLimitController>(defaults, *smc, [this] { return battery; });
    }

    void setEnd(const std::string& value) {
        tree.write("class/power_supply/BAT0/charge_control_end_threshold", value + "\n");
    }
};

TEST(ChargeThresholdsTest, EachBatteryGetsTheTransportItCanBeDrivenBy) {
    struct Row {
        const char* machine;
        std::string behaviour;  // "": no charge_behaviour
        std::optional<int> end, start;
        std::string detail;  // "": no charger
    };
    // clang-format off
    for (const Row& row : {
        Row{"ASUS-like, end only", "", 100, {}, "BAT0: charge_control_end_threshold"},
        Row{"ThinkPad-like, behaviour wins over both thresholds",
            "[auto] inhibit-charge force-discharge\n", 100, 75, "BAT0: charge_behaviour"},
        Row{"behaviour that cannot inhibit, beside an end threshold", "[auto] force-discharge\n",
            100, 95, "BAT0: charge_control_start_threshold, charge_control_end_threshold"},
        Row{"behaviour that cannot inhibit, alone", "[auto] force-discharge\n", {}, {},
            "BAT0: charge_behaviour"},
        Row{"start threshold without an end", "", {}, 75, ""},
    }) {
        // clang-format on
        SCOPED_TRACE(row.machine);
        FixtureTree tree;
        writeLaptop(tree, 70, true, "Charging", row.behaviour);
        if (row.end) writeThresholds(tree, *row.end, row.start);
        if (!row.end && row.start)
            tree.write("class/power_supply/BAT0/charge_control_start_threshold", "75\n");
        SysfsChargerTransport transport(tree.root());
        ChargeSMC smc(transport);
        EXPECT_EQ(smc.isAvailable(), !row.detail.empty());
        EXPECT_EQ(smc.transportDetail(), row.detail);
    }
}

// With a start threshold the kernel refuses start >= end at every step, so the write order
// decides whether a mode can be reached at all. Every step runs in a new transport, as after a
// restart: the start to put back comes from the stored memory.
TEST(ChargeThresholdsTest, StartStaysBelowEndInEveryWriteOrder) {
    struct Step {
        ChargeSMCMode mode;
        int limit;
        Writes writes;
        const char *start, *end;
    };
    struct Row {
        int start, end;
        std::vector<Step> steps;
    };
    using M = ChargeSMCMode;
    // clang-format off
    for (const Row& row : {
        // A start in the way is lowered first and put back once the end is up again.
        Row{95, 100, {{M::inhibit, 80, {{kStart, "78"}, {kEnd, "80"}}, "78", "80"},
                      {M::inhibit, 90, {{kEnd, "90"}}, "78", "90"},
                      {M::auto_, 90, {{kEnd, "100"}, {kStart, "95"}}, "95", "100"}}},
        // A start at the limit is in the way too.
        Row{80, 100, {{M::inhibit, 80, {{kStart, "78"}, {kEnd, "80"}}, "78", "80"},
                      {M::auto_, 80, {{kEnd, "100"}, {kStart, "80"}}, "80", "100"}}},
        // A start below the limit is left alone.
        Row{40, 100, {{M::inhibit, 80, {{kEnd, "80"}}, "40", "80"},
                      {M::auto_, 80, {{kEnd, "100"}}, "40", "100"}}},
        // Another tool's 75/80: raising to 85 goes end first, lowering to 60 start first.
        Row{75, 80, {{M::inhibit, 85, {{kEnd, "85"}}, "75", "85"},
                     {M::inhibit, 60, {{kStart, "58"}, {kEnd, "60"}}, "58", "60"},
                     {M::auto_, 60, {{kEnd, "100"}, {kStart, "75"}}, "75", "100"}}},
    }) {
        // clang-format on
        SCOPED_TRACE("start " + std::to_string(row.start) + ", end " + std::to_string(row.end));
        FixtureTree tree;
        writeLaptop(tree, 90, true, "Charging", "");
        writeThresholds(tree, row.end, row.start);
        KernelThresholdIO io;
        for (const Step& step : row.steps) {
            SCOPED_TRACE(std::string(rawName(step.mode)) + " " + std::to_string(step.limit));
            SysfsChargerTransport transport(tree.root(), io, tree.root() + "/memory");
            ChargeSMC smc(transport);
            io.writes.clear();
            smc.setHoldLimit(step.limit);
            EXPECT_TRUE(smc.setMode(step.mode)) << smc.lastError().value_or("");
            EXPECT_EQ(io.writes, step.writes);
            EXPECT_EQ(threshold(tree, "start"), step.start);
            EXPECT_EQ(threshold(tree, "end"), step.end);
            EXPECT_EQ(smc.readMode(), step.mode);
        }
        EXPECT_EQ(io.refusals, 0);
    }
}

TEST_F(ThresholdControllerTest, AThresholdChangedBehindItIsWrittenAgain) {
    controller->evaluate();
    ASSERT_EQ(controller->status(), ChargeLimitStatus::holding);
    EXPECT_EQ(threshold(tree, "end"), "80");

    // A firmware reset at boot, or another tool's level above or below: each is
    // read back at the next evaluation and put right.
    for (const char* behind : {"100", "90", "60"}) {
        SCOPED_TRACE(behind);
        setEnd(behind);
        io.writes.clear();
        controller->evaluate();
        EXPECT_EQ(threshold(tree, "end"), "80");
        EXPECT_EQ(io.writes.size(), 1u);
    }
    // A new limit is a new threshold, though the mode stays inhibit.
    controller->setLimitPercent(85);
    EXPECT_EQ(threshold(tree, "end"), "85");
    EXPECT_FALSE(controller->lastError());

    // This battery cannot discharge: the override is refused with the reason, nothing written.
    io.writes.clear();
    controller->dischargeBattery();
    EXPECT_FALSE(controller->forceDischarge());
    EXPECT_EQ(controller->lastError(), smc->whyNoDischarge());
    EXPECT_TRUE(io.writes.empty());
}

// A driver that keeps another end than asked: the controller reports it in the firmware's words
// and never claims the hold; the safety reset puts the end back to 100 and the charger on auto.
TEST_F(ThresholdControllerTest, AValueTheFirmwareChangedIsAFailureInItsOwnWords) {
    struct Row {
        const char* driver;
        std::function<int(int)> keep;
        std::vector<std::pair<int, std::optional<std::string>>> limits;  // in turn, and the error
    };
    // clang-format off
    for (const Row& row : {
        Row{"only 80 and 100", [](int v) { return v < 100 ? 80 : 100; },
            {{85, "the firmware set 80 % for 85 %"}, {80, {}}}},
        Row{"steps of 20", [](int v) { return (v + 10) / 20 * 20; },
            {{75, "the firmware set 80 % for 75 %"}}},
        Row{"steps of 5", [](int v) { return v / 5 * 5; }, {{85, {}}}},
    }) {
        // clang-format on
        SCOPED_TRACE(row.driver);
        setEnd("100");
        io.keep = row.keep;
        for (const auto& [limit, error] : row.limits) {
            controller->setLimitPercent(limit);
            EXPECT_EQ(controller->lastError(), error) << limit;
            EXPECT_EQ(controller->appliedMode(),
                      error ? std::nullopt : std::optional(ChargeSMCMode::inhibit));
            EXPECT_EQ(threshold(tree, "end"), error ? "100" : std::to_string(limit));
            EXPECT_EQ(smc->readMode(), error ? ChargeSMCMode::auto_ : ChargeSMCMode::inhibit);
        }
    }
}

}  // namespace
}  // namespace tarvel
