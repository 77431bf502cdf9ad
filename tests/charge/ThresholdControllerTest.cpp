#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "base/UserDefaults.h"
#include "charge/ChargeFixtures.h"
#include "charge/ChargeLimitController.h"
#include "charge/KernelThresholdIO.h"
#include "platform/linux/SysfsChargerTransport.h"

namespace tarvel {
namespace {

using test::FixtureTree;
using test::KernelThresholdIO;
using test::threshold;
using test::writeLaptop;
using test::writeThresholds;

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

TEST_F(ThresholdControllerTest, AThresholdChangedBehindItIsWrittenAgain) {
    controller->evaluate();
    ASSERT_EQ(controller->status(), ChargeLimitStatus::holding);
    EXPECT_EQ(threshold(tree, "end"), "80");
    EXPECT_EQ(controller->backendName(), "Kernel charge control (sysfs)");
    EXPECT_EQ(controller->backendDetail(), "BAT0: charge_control_end_threshold");

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
    // Left as written: read back as inhibited, nothing more is written.
    io.writes.clear();
    controller->evaluate();
    EXPECT_TRUE(io.writes.empty());

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

    // Management off hands charging back: the end goes to 100.
    controller->disableAll();
    EXPECT_EQ(threshold(tree, "end"), "100");
}

TEST_F(ThresholdControllerTest, ARoundedLimitIsReportedAndNeverHeld) {
    io.keep = [](int asked) { return asked < 100 ? 80 : 100; };
    controller->setLimitPercent(85);
    EXPECT_EQ(controller->lastError(), "the firmware set 80 % for 85 %");
    EXPECT_FALSE(controller->appliedMode());
    EXPECT_EQ(threshold(tree, "end"), "100");
    EXPECT_EQ(smc->readMode(), ChargeSMCMode::auto_);

    // A limit the firmware takes clears the report.
    controller->setLimitPercent(80);
    EXPECT_FALSE(controller->lastError());
    EXPECT_EQ(controller->appliedMode(), ChargeSMCMode::inhibit);
    EXPECT_EQ(threshold(tree, "end"), "80");
}

}  // namespace
}  // namespace tarvel
