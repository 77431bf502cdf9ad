#include <gtest/gtest.h>

#include <cerrno>
#include <set>

#include "charge/ChargeFixtures.h"
#include "charge/ChargeSMC.h"
#include "platform/linux/SysfsChargerTransport.h"

namespace tarvel {
namespace {

using test::chargeBehaviour;
using test::FixtureTree;
using test::writeLaptop;

// Real file reads and writes, except that writes to the listed paths, or of `refusedValue`, are
// refused with `error`, as the kernel refuses a user without write permission (tests run as root,
// which it never does) or a value the driver does not take.
class RefusingIO final : public SysfsAttributeIO {
public:
    explicit RefusingIO(int error) : error_(error) {}
    std::set<std::string> refused;
    std::string refusedValue;
    int attempts = 0;
    std::optional<std::string> read(const std::string& path) override { return posix().read(path); }
    int write(const std::string& path, const std::string& value) override {
        ++attempts;
        return refused.count(path) || value == refusedValue ? error_ : posix().write(path, value);
    }

private:
    int error_;
};

// What another program left in charge_behaviour is read as the kernel shows it; a value that is
// no mode reads as unknown.
TEST(SysfsChargerTransportTest, ReadsTheModeAsTheKernelShowsIt) {
    FixtureTree tree;
    writeLaptop(tree, 80, true, "Charging");
    SysfsChargerTransport transport(tree.root());
    ChargeSMC smc(transport);
    const auto path = "class/power_supply/BAT0/charge_behaviour";
    for (const auto& [text, mode] :
         std::vector<std::pair<std::string, std::optional<ChargeSMCMode>>>{
             {"auto [inhibit-charge] force-discharge\n", ChargeSMCMode::inhibit},
             {"[force-discharge] auto\n", ChargeSMCMode::forceDischarge},
             {"[auto] inhibit-charge\n", ChargeSMCMode::auto_},
             {"[inhibit-charge-awhile] auto\n", std::nullopt},
             {"\n", std::nullopt}}) {
        tree.write(path, text);
        EXPECT_EQ(smc.readMode(), mode) << text;
    }
}

// The charger's keys arrive one by one and only a whole CH0I/CH0C/CH0B triple is a mode. Were a
// key missing since the last mode read as 0, or one kept from the last mode, the refused rows
// would complete a mode the battery accepts. Calls on a stray connection or selector are refused.
TEST(SysfsChargerTransportTest, OnlyAWholeTripleSinceTheLastModeWritesTheBehaviour) {
    struct Row {
        const char* what;
        std::vector<std::pair<const char*, int>> before;
        std::pair<const char*, int> last;
        std::int32_t status;
        int result;
        const char* written = nullptr;  // null: the attribute is left alone
        std::uint32_t connection = 1, selector = 2;
    };
    const std::pair<const char*, int> i0{"CH0I", 0}, i1{"CH0I", 1}, c0{"CH0C", 0}, c2{"CH0C", 2},
        b0{"CH0B", 0}, b2{"CH0B", 2};
    const int refused = kSMCBadArgument, bad = kIOReturnBadArgument;
    for (const Row& row : {
             Row{"CH0I and CH0C alone", {i1}, c0, 0, 0},
             Row{"a whole triple", {i1, c0}, b0, 0, 0, "force-discharge"},
             Row{"auto from nothing", {}, b0, 0, refused},
             Row{"inhibit without CH0I", {c2}, b2, 0, refused},
             Row{"force-discharge without CH0C", {i1}, b0, 0, refused},
             Row{"inhibit again, a lone CH0B after a whole triple", {i0, c2, b2}, b2, 0, refused},
             Row{"a triple that is no mode", {i1, c2}, b2, 0, refused},
             Row{"an unknown key", {}, {"BCLM", 80}, 0, kSMCKeyNotFound},
             Row{"a stray connection", {i1, c0}, b0, bad, 0, nullptr, 7, 2},
             Row{"a stray selector", {i1, c0}, b0, bad, 0, nullptr, 1, 5},
         }) {
        SCOPED_TRACE(row.what);
        FixtureTree tree;
        writeLaptop(tree, 70, true, "Charging");
        RefusingIO io(0);
        SysfsChargerTransport transport(tree.root(), io);
        ASSERT_TRUE(transport.open().serviceFound);
        SmcParamBlock out;
        for (const auto& [key, value] : row.before)
            ASSERT_EQ(transport.callStructMethod(1, 2, ChargeSMC::writeBlock(key, value), out), 0);
        const std::string before = chargeBehaviour(tree);
        io.attempts = 0;
        EXPECT_EQ(
            transport.callStructMethod(row.connection, row.selector,
                                       ChargeSMC::writeBlock(row.last.first, row.last.second), out),
            row.status);
        EXPECT_EQ(out.bytes[SmcParamBlock::kResult], row.result);
        EXPECT_EQ(io.attempts, row.written ? 1 : 0);
        EXPECT_EQ(chargeBehaviour(tree), row.written ? row.written : before);
    }
}

// A battery whose driver has no charge_behaviour, and a mouse that has one: no charger to drive.
TEST(SysfsChargerTransportTest, NoChargeControlMeansNotFound) {
    FixtureTree tree;
    writeLaptop(tree, 50, true, "Charging", "");
    tree.writeAll("class/power_supply/hidpp_battery_0",
                  {{"type", "Battery\n"},
                   {"scope", "Device\n"},
                   {"capacity", "40\n"},
                   {"charge_behaviour", "[auto] inhibit-charge\n"}});
    SysfsChargerTransport transport(tree.root());
    ChargeSMC smc(transport);
    EXPECT_FALSE(smc.isAvailable());
    EXPECT_FALSE(smc.setMode(ChargeSMCMode::inhibit));
    EXPECT_EQ(tree.read("class/power_supply/hidpp_battery_0/charge_behaviour"),
              "[auto] inhibit-charge\n");
}

// A kernel that does not list what it takes answers EINVAL: the write is tried, and the safety
// reset puts the charger on auto. (One that lists them is refused before any write; see
// ChargeCommandTest.)
TEST(SysfsChargerTransportTest, UnlistedModeTheKernelRefusesIsResetToAuto) {
    RefusingIO io(EINVAL);
    io.refusedValue = "force-discharge";
    FixtureTree tree;
    writeLaptop(tree, 60, true, "Charging", "inhibit-charge\n");
    SysfsChargerTransport transport(tree.root(), io);
    ChargeSMC smc(transport);
    EXPECT_TRUE(smc.setMode(ChargeSMCMode::inhibit));
    EXPECT_FALSE(smc.setMode(ChargeSMCMode::forceDischarge));
    EXPECT_EQ(smc.lastError(), "Writing BAT0/charge_behaviour failed: Invalid argument.");
    EXPECT_EQ(chargeBehaviour(tree), "auto");
}

TEST(SysfsChargerTransportTest, RefusedWriteIsNotPrivileged) {
    // EACCES and EPERM are a missing privilege; other failures say the system's reason.
    const std::string denied =
        "Not privileged — writing BAT0/charge_behaviour was refused; join "
        "the tarvel group (udev rule 70-tarvel-charge.rules).";
    for (const auto& [error, text] : std::vector<std::pair<int, std::string>>{
             {EACCES, denied},
             {EPERM, denied},
             {EIO, "Writing BAT0/charge_behaviour failed: Input/output error."}}) {
        SCOPED_TRACE(error);
        FixtureTree tree;
        writeLaptop(tree, 85, true, "Charging");
        RefusingIO io(error);
        io.refused.insert(tree.root() + "/class/power_supply/BAT0/charge_behaviour");
        SysfsChargerTransport transport(tree.root(), io);
        ChargeSMC smc(transport);
        ASSERT_TRUE(smc.isAvailable());  // finding the charger needs no privilege
        EXPECT_FALSE(smc.setMode(ChargeSMCMode::inhibit));
        EXPECT_EQ(smc.lastError(), text);
        EXPECT_EQ(io.attempts, 2);  // the mode, then the reset's auto, both refused
        EXPECT_EQ(chargeBehaviour(tree), "[auto] inhibit-charge force-discharge\n");
    }

    // A battery that disappeared after the charger was opened.
    FixtureTree gone;
    writeLaptop(gone, 85, true, "Charging");
    SysfsChargerTransport goneTransport(gone.root());
    ChargeSMC goneSmc(goneTransport);
    gone.remove("class/power_supply/BAT0/charge_behaviour");
    EXPECT_FALSE(goneSmc.setMode(ChargeSMCMode::inhibit));
    EXPECT_EQ(goneSmc.lastError(), "Writing BAT0/charge_behaviour failed: No such device.");
}

TEST(SysfsChargerTransportTest, DrivesEverySystemBattery) {
    FixtureTree tree;
    writeLaptop(tree, 70, true, "Charging", "[auto] inhibit-charge force-discharge\n", "BAT0");
    writeLaptop(tree, 70, true, "Charging", "[auto] inhibit-charge\n", "BAT1");
    SysfsChargerTransport transport(tree.root());
    ChargeSMC smc(transport);
    ASSERT_EQ(transport.attributePaths().size(), 2u);
    EXPECT_TRUE(smc.setMode(ChargeSMCMode::inhibit));
    EXPECT_EQ(chargeBehaviour(tree, "BAT0"), "inhibit-charge");
    EXPECT_EQ(chargeBehaviour(tree, "BAT1"), "inhibit-charge");
    EXPECT_EQ(smc.readMode(), ChargeSMCMode::inhibit);
    // One pack changed behind our back: the charger's state is not one mode any more.
    tree.write("class/power_supply/BAT1/charge_behaviour", "[auto] inhibit-charge\n");
    EXPECT_EQ(smc.readMode(), std::nullopt);
    EXPECT_TRUE(smc.setMode(ChargeSMCMode::inhibit));
    // BAT1 cannot force-discharge: the mode fails and neither battery is touched.
    EXPECT_FALSE(smc.setMode(ChargeSMCMode::forceDischarge));
    EXPECT_EQ(chargeBehaviour(tree, "BAT0"), "inhibit-charge");
    EXPECT_EQ(chargeBehaviour(tree, "BAT1"), "inhibit-charge");
}

}  // namespace
}  // namespace tarvel
