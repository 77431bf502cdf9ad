#include <gtest/gtest.h>

#include "charge/ChargeSMC.h"
#include "charge/RecordingTransport.h"

namespace tarvel {
namespace {

using test::kCH0B;
using test::kCH0C;
using test::kCH0I;
using test::RecordingTransport;
using Writes = std::vector<std::pair<std::uint32_t, int>>;

TEST(ChargeSMCTest, FailureStopsTheModeAndResetsEveryKey) {
    RecordingTransport transport;
    transport.answers[kCH0C] = {kIOReturnSuccess, 0x86, 1};  // only the first CH0C write fails
    ChargeSMC smc(transport);
    EXPECT_FALSE(smc.setMode(ChargeSMCMode::inhibit));
    // CH0B never receives the mode's value: the reset follows the failed CH0C at once.
    EXPECT_EQ(transport.writes(),
              (Writes{{kCH0I, 0}, {kCH0C, 2}, {kCH0I, 0}, {kCH0C, 0}, {kCH0B, 0}}));
    EXPECT_EQ(smc.lastError(), "Charge control error 0/134 for the charger attribute");

    // Reset errors are ignored and do not replace the first failure's text.
    RecordingTransport stubborn;
    stubborn.answers[kCH0I] = {kIOReturnNotPrivileged, 0};
    ChargeSMC locked(stubborn);
    EXPECT_FALSE(locked.setMode(ChargeSMCMode::forceDischarge));
    EXPECT_EQ(stubborn.writes(), (Writes{{kCH0I, 1}, {kCH0I, 0}, {kCH0C, 0}, {kCH0B, 0}}));
    EXPECT_EQ(locked.lastError(),
              "Not privileged — charge control write refused on this "
              "machine; join the tarvel group (udev rule 70-tarvel-charge.rules).");

    // A negative status prints signed; the next success clears the old error.
    transport.answers[kCH0B] = {kIOReturnError, 0, 1};
    EXPECT_FALSE(smc.setMode(ChargeSMCMode::auto_));
    EXPECT_EQ(smc.lastError(), "Charge control error -536870212/0 for the charger attribute");
    EXPECT_TRUE(smc.setMode(ChargeSMCMode::auto_));
    EXPECT_FALSE(smc.lastError());
}

TEST(ChargeSMCTest, UnavailableChargerWritesNothing) {
    RecordingTransport missing;
    missing.openResult = {false, 0, 0};
    ChargeSMC notFound(missing);
    EXPECT_FALSE(notFound.isAvailable());
    EXPECT_EQ(notFound.lastError(), "Charge control attribute not found");
    EXPECT_FALSE(notFound.setMode(ChargeSMCMode::inhibit));
    EXPECT_EQ(notFound.lastError(), "Charge control unavailable");
    EXPECT_TRUE(missing.calls.empty());

    RecordingTransport refused;
    refused.openResult = {true, kIOReturnNotPrivileged, 0};
    ChargeSMC closed(refused);
    EXPECT_FALSE(closed.isAvailable());
    EXPECT_EQ(closed.lastError(), "IOServiceOpen failed (-536870207) — not privileged?");
    EXPECT_FALSE(closed.setMode(ChargeSMCMode::auto_));
    EXPECT_TRUE(refused.calls.empty());
    EXPECT_EQ(refused.opens, 1);  // never reopened

    // Opened without a connection handle: as good as unavailable.
    RecordingTransport noHandle;
    noHandle.openResult = {true, kIOReturnSuccess, 0};
    ChargeSMC zero(noHandle);
    EXPECT_FALSE(zero.setMode(ChargeSMCMode::auto_));
    EXPECT_EQ(zero.lastError(), "Charge control unavailable");
    EXPECT_TRUE(noHandle.calls.empty());
}

}  // namespace
}  // namespace tarvel
