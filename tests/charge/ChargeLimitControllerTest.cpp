#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <map>

#include "base/UserDefaults.h"
#include "charge/ChargeLimitController.h"
#include "platform/ChargerTransport.h"
#include "support/WaitUntil.h"
#include "telemetry/PowerStore.h"

namespace tarvel {
namespace {

constexpr std::uint32_t kCH0I = 0x43483049, kCH0C = 0x43483043, kCH0B = 0x43483042;

// A charger that records every write and answers as told, per key. Reads answer with the
// last value written to the key (a write the answer refused does not count); a key never
// written reads as unknown, as a charger left in another tool's state would.
class RecordingTransport final : public ChargerTransport {
public:
    struct Answer {
        std::int32_t status = kIOReturnSuccess;
        std::uint8_t result = 0;
        int times = -1;  // how many calls get this answer; -1: all of them
    };

    OpenResult openResult{true, kIOReturnSuccess, 0x1234};
    int opens = 0;
    std::vector<std::pair<std::uint32_t, int>> writes;  // (key, value), in order
    bool readable = true;  // false: a charger whose keys cannot be read back
    std::map<std::uint32_t, Answer> answers;
    std::map<std::uint32_t, int> state;  // what each key holds now

    OpenResult open() override {
        ++opens;
        return openResult;
    }
    std::int32_t callStructMethod(std::uint32_t, std::uint32_t, const SmcParamBlock& input,
                                  SmcParamBlock& output) override {
        output = SmcParamBlock{};
        const std::uint32_t key = input.u32(SmcParamBlock::kKey);
        if (input.bytes[SmcParamBlock::kCommand] == kSMCReadKey) {
            if (!readable) return kIOReturnError;
            const auto held = state.find(key);
            if (held == state.end())
                output.bytes[SmcParamBlock::kResult] = kSMCKeyNotFound;
            else
                output.bytes[SmcParamBlock::kBytes] = std::uint8_t(held->second);
            return kIOReturnSuccess;
        }
        writes.emplace_back(key, input.bytes[SmcParamBlock::kBytes]);
        auto it = answers.find(key);
        if (it == answers.end() || it->second.times == 0) {
            state[key] = input.bytes[SmcParamBlock::kBytes];
            return kIOReturnSuccess;
        }
        if (it->second.times > 0) --it->second.times;
        output.bytes[SmcParamBlock::kResult] = it->second.result;
        if (it->second.status == kIOReturnSuccess && it->second.result == kSMCSuccess)
            state[key] = input.bytes[SmcParamBlock::kBytes];
        return it->second.status;
    }
};

using S = ChargeLimitStatus;
using M = ChargeSMCMode;
using Writes = std::vector<std::pair<std::uint32_t, int>>;
using State = std::pair<S, std::optional<M>>;

const std::string kNotPrivileged =
    "Not privileged — charge control write refused on this machine; join the tarvel group "
    "(udev rule 70-tarvel-charge.rules).";

TEST(ChargeSMC, FailureStopsTheModeAndResetsEveryKey) {
    RecordingTransport transport;
    transport.answers[kCH0C] = {kIOReturnSuccess, 0x86, 1};  // only the first CH0C write fails
    ChargeSMC smc(transport);
    EXPECT_FALSE(smc.setMode(ChargeSMCMode::inhibit));
    // CH0B never receives the mode's value: the reset follows the failed CH0C at once.
    EXPECT_EQ(transport.writes,
              (Writes{{kCH0I, 0}, {kCH0C, 2}, {kCH0I, 0}, {kCH0C, 0}, {kCH0B, 0}}));
    EXPECT_EQ(smc.lastError(), "Charge control error 0/134 for the charger attribute");

    // Reset errors are ignored and do not replace the first failure's text.
    RecordingTransport stubborn;
    stubborn.answers[kCH0I] = {kIOReturnNotPrivileged, 0};
    ChargeSMC locked(stubborn);
    EXPECT_FALSE(locked.setMode(ChargeSMCMode::forceDischarge));
    EXPECT_EQ(stubborn.writes, (Writes{{kCH0I, 1}, {kCH0I, 0}, {kCH0C, 0}, {kCH0B, 0}}));
    EXPECT_EQ(locked.lastError(), kNotPrivileged);

    // A negative status prints signed; the next success clears the old error.
    transport.answers[kCH0B] = {kIOReturnError, 0, 1};
    EXPECT_FALSE(smc.setMode(ChargeSMCMode::auto_));
    EXPECT_EQ(smc.lastError(), "Charge control error -536870212/0 for the charger attribute");
    EXPECT_TRUE(smc.setMode(ChargeSMCMode::auto_));
    EXPECT_FALSE(smc.lastError());
}

// A controller over a recording charger, a settings file of its own and a battery the test
// moves by hand.
class ControllerTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string settingsPath = dir.path().toStdString() + "/defaults.json";
    UserDefaults defaults{settingsPath};
    RecordingTransport transport;
    std::unique_ptr<ChargeSMC> smc;
    ChargeBatteryState battery{true, 50, true, true};
    std::unique_ptr<ChargeLimitController> controller;

    ChargeLimitController& make() {
        controller.reset();
        smc = std::make_unique<ChargeSMC>(transport);
        controller =
            std::make_unique<ChargeLimitController>(defaults, *smc, [this] { return battery; });
        return *controller;
    }

    // The modes the charger received, decoded from the CH0B/CH0C/CH0I triples.
    std::vector<M> modes() const {
        std::vector<M> out;
        const auto& w = transport.writes;
        for (size_t i = 0; i + 2 < w.size(); i += 3) {
            const int a = w[i].second, c = w[i + 1].second, b = w[i + 2].second;
            out.push_back(a == 1 ? M::forceDischarge : (c == 2 && b == 2 ? M::inhibit : M::auto_));
        }
        return out;
    }

    // The status shown and the mode the charger last took.
    State state() const { return {controller->status(), controller->appliedMode()}; }

    void at(int level, bool onAC = true, bool charging = false) {
        battery = {true, level, onAC, charging};
        controller->evaluate();
    }
};

// The first launch's defaults (on, 80 %) are what the other tests run with.
TEST_F(ControllerTest, FirstLaunchAndTheLimitClampedWhenReadAndWhenSet) {
    make();
    EXPECT_EQ(state(), State(S::off, std::nullopt));
    EXPECT_TRUE(transport.writes.empty());  // nothing is written before the first evaluation

    defaults.setBool(kChargeLimitEnabledKey, false);
    defaults.setInteger(kChargeLimitPercentKey, 30);
    defaults.setBool(kChargeLimitForceFullKey, true);
    EXPECT_EQ(make().limitPercent(), 50);
    EXPECT_FALSE(controller->isEnabled());
    EXPECT_TRUE(controller->forceFullCharge());
    defaults.setInteger(kChargeLimitPercentKey, 250);
    EXPECT_EQ(make().limitPercent(), 100);
    defaults.setReal(kChargeLimitPercentKey, 90.5);  // not an integer: the default
    EXPECT_EQ(make().limitPercent(), 80);
    defaults.setString(kChargeLimitEnabledKey, "yes");  // not a bool: the default
    EXPECT_TRUE(make().isEnabled());

    // The setter truncates, clamps and stores.
    auto& setter = make();
    QSignalSpy changed(&setter, &ChargeLimitController::limitPercentChanged);
    const double nan = std::numeric_limits<double>::quiet_NaN(),
                 inf = std::numeric_limits<double>::infinity();
    for (const auto& [set, held] : std::vector<std::pair<double, int>>{
             {45, 50}, {120, 100}, {79.6, 79}, {79.2, 79}, {nan, 79}, {-inf, 50}}) {
        setter.setLimitPercent(set);
        EXPECT_EQ(setter.limitPercent(), held) << set;
        EXPECT_EQ(defaults.integer(kChargeLimitPercentKey), held) << set;
    }
    EXPECT_EQ(changed.count(), 4);  // the same whole number: no change to announce
}

TEST_F(ControllerTest, HysteresisWalkOnAC) {
    auto& c = make();
    at(70);
    EXPECT_EQ(c.status(), S::chargingToLimit);
    EXPECT_EQ(c.statusLine(), "Charging to 80%");
    at(79, true, true);  // arriving at L − 1 from below keeps charging
    EXPECT_EQ(c.status(), S::chargingToLimit);
    EXPECT_EQ(c.detail(), "Approaching 80%.");
    at(80, true, true);  // still reporting charging right after the inhibit
    EXPECT_EQ(c.status(), S::holding);
    EXPECT_EQ(c.detail(), "At 80% — inhibit requested (IsCharging may lag briefly).");
    at(80, true, false);
    EXPECT_EQ(c.detail(), "Holding near 80% with the charger connected.");
    at(79);  // once inhibited, L − 1 stays inhibited
    EXPECT_EQ(state(), State(S::holding, M::inhibit));
    at(78);  // released at L − 2
    EXPECT_EQ(state(), State(S::chargingToLimit, M::auto_));
    at(78);
    // One write per change of mode, however many evaluations happened.
    EXPECT_EQ(modes(), (std::vector<M>{M::auto_, M::inhibit, M::auto_}));
    EXPECT_FALSE(c.lastError());

    // Unplugging while inhibited hands charging back.
    at(82, true);
    at(82, false);
    EXPECT_EQ(c.status(), S::onBattery);
    EXPECT_EQ(modes(), (std::vector<M>{M::auto_, M::inhibit, M::auto_, M::inhibit, M::auto_}));
}

TEST_F(ControllerTest, DecisionTableInOrder) {
    auto& c = make();
    // Management off wins over everything but an unavailable charger.
    c.setForceDischarge(true);
    c.setIsEnabled(false);
    EXPECT_FALSE(c.forceDischarge());
    EXPECT_EQ(c.status(), S::off);
    EXPECT_EQ(c.detail(), "Turn on “Manage charging” to hold 80% on AC.");
    EXPECT_EQ(c.appliedMode(), M::auto_);

    c.setIsEnabled(true);
    c.setLimitPercent(60);
    battery = {false, 0, true, false};
    c.evaluate();
    EXPECT_EQ(c.status(), S::unsupported);
    EXPECT_EQ(c.detail(), "No internal battery.");
    EXPECT_EQ(c.appModeLabel(), "Automatic");

    // The overrides exclude each other, in the settings too.
    battery = {true, 40, false, false};
    c.dischargeBattery();
    EXPECT_EQ(state(), State(S::discharging, M::forceDischarge));
    c.chargeToFullNow();
    EXPECT_EQ(state(), State(S::chargeToFull, M::auto_));
    EXPECT_EQ(defaults.boolValue(kChargeLimitDischargeKey), false);
    c.dischargeBattery();
    EXPECT_EQ(defaults.boolValue(kChargeLimitForceFullKey), false);
    c.stopOverride();
    EXPECT_EQ(c.status(), S::onBattery);
    at(61);
    EXPECT_EQ(c.status(), S::holding);
    EXPECT_EQ(modes(), (std::vector<M>{M::forceDischarge, M::auto_, M::forceDischarge, M::auto_,
                                       M::forceDischarge, M::auto_, M::inhibit}));
}

// The preferences window, `charge hold` and another application instance share the settings.
TEST_F(ControllerTest, FollowsSettingsChangedElsewhereAtTheNextEvaluation) {
    auto& c = make();
    at(75);
    UserDefaults elsewhere(settingsPath);
    elsewhere.setInteger(kChargeLimitPercentKey, 70);
    ASSERT_TRUE(test::waitUntil([&] { return c.limitPercent() == 70; }));
    EXPECT_EQ(c.status(), S::chargingToLimit);  // applied at the next evaluation, not before
    c.evaluate();
    EXPECT_EQ(state(), State(S::holding, M::inhibit));

    elsewhere.setBool(kChargeLimitEnabledKey, false);
    ASSERT_TRUE(test::waitUntil([&] { return !c.isEnabled(); }));
    c.evaluate();
    EXPECT_EQ(state(), State(S::off, M::auto_));
}

TEST_F(ControllerTest, FullChargeOverrideEndsAt99OnAC) {
    auto& c = make();
    at(90);
    c.chargeToFullNow();
    at(98);
    EXPECT_EQ(c.status(), S::chargeToFull);
    at(99, false);  // on battery the override stays
    EXPECT_TRUE(c.forceFullCharge());

    at(99, true);
    EXPECT_FALSE(c.forceFullCharge());
    EXPECT_EQ(defaults.boolValue(kChargeLimitForceFullKey), false);
    // The limit (80) takes over in the same evaluation.
    EXPECT_EQ(state(), State(S::holding, M::inhibit));

    // With the limit at 100, 99 is one below: charging continues toward it.
    c.setLimitPercent(100);
    c.chargeToFullNow();
    at(99, true, true);
    EXPECT_FALSE(c.forceFullCharge());
    EXPECT_EQ(c.status(), S::holding);  // 99 = L − 1 while inhibited
    at(97, true);
    at(99, true, true);
    EXPECT_EQ(c.status(), S::chargingToLimit);
}

TEST_F(ControllerTest, NeverClaimsAHoldTheChargerIsNotIn) {
    for (const bool readable : {false, true}) {
        SCOPED_TRACE(readable ? "charger read back" : "charger that cannot be read");
        transport = RecordingTransport{};
        transport.readable = readable;
        transport.answers[kCH0B] = {kIOReturnNotPrivileged, 0, 1};
        auto& c = make();
        at(85);
        EXPECT_EQ(state(), State(S::holding, std::nullopt));  // the failure is in lastError
        EXPECT_EQ(c.lastError(), kNotPrivileged);
        at(85);  // retried at the next evaluation, and this time it works
        EXPECT_EQ(c.appliedMode(), M::inhibit);
        EXPECT_FALSE(c.lastError());
        // failed inhibit, its reset to zero, then the successful inhibit
        EXPECT_EQ(modes(), (std::vector<M>{M::inhibit, M::auto_, M::inhibit}));

        // A failed switch away from the hold leaves the charger reset to automatic: one point
        // below the limit is no longer "holding", and the hold is written again.
        transport.answers[kCH0B] = {kIOReturnNotPrivileged, 0, 1};
        c.dischargeBattery();
        EXPECT_FALSE(c.appliedMode());
        battery = {true, 79, true, false};
        c.setForceDischarge(false);
        EXPECT_EQ(c.status(), S::chargingToLimit);
        at(80);
        EXPECT_EQ(c.appliedMode(), M::inhibit);
        EXPECT_EQ(modes().back(), M::inhibit);
    }

    // Another program hands charging back to the system: the next evaluation corrects it, and
    // a charger already in the wanted mode is not written again.
    transport.state = {{kCH0I, 0}, {kCH0C, 0}, {kCH0B, 0}};
    const auto writes = modes().size();
    at(80);
    EXPECT_EQ(modes().size(), writes + 1);
    EXPECT_EQ(modes().back(), M::inhibit);
    at(80);
    at(79);
    EXPECT_EQ(modes().size(), writes + 1);
}

// A charger that is missing, refuses to open or opens without a handle is never written, is
// never opened again, and a missing one makes the controller say so.
TEST_F(ControllerTest, UnavailableChargerReportsUnsupportedWithoutWrites) {
    const struct {
        ChargerTransport::OpenResult open;
        std::optional<std::string> error;  // before any write
    } cases[] = {
        {{false, 0, 0}, "Charge control attribute not found"},
        {{true, kIOReturnNotPrivileged, 0}, "IOServiceOpen failed (-536870207) — not privileged?"},
        {{true, kIOReturnSuccess, 0}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.open.status);
        transport = RecordingTransport{};
        transport.openResult = c.open;
        auto& ctl = make();
        EXPECT_EQ(smc->lastError(), c.error);
        at(90);
        ctl.dischargeBattery();
        ctl.disableAll();
        ctl.evaluate();
        if (!c.open.serviceFound) {
            EXPECT_EQ(std::tuple(ctl.backendName(), ctl.status(), ctl.statusLine()),
                      std::tuple("Unavailable", S::unsupported, "Charge control unavailable"));
        }
        EXPECT_FALSE(smc->setMode(M::auto_));
        EXPECT_EQ(smc->lastError(), "Charge control unavailable");
        EXPECT_TRUE(transport.writes.empty());
        EXPECT_EQ(transport.opens, 1);
    }
}

TEST_F(ControllerTest, DisableAllHandsChargingBackAndRetriesAFailedHandBack) {
    auto& c = make();
    at(90);
    c.dischargeBattery();
    ASSERT_EQ(c.appliedMode(), M::forceDischarge);
    c.disableAll();
    EXPECT_FALSE(c.isEnabled());
    EXPECT_FALSE(c.forceDischarge());
    EXPECT_EQ(c.status(), S::off);
    EXPECT_EQ(c.detail(), "Charge management off — the firmware controls charging.");
    EXPECT_EQ(defaults.boolValue(kChargeLimitEnabledKey), false);
    // The setters' evaluation already wrote auto; disableAll writes it once more, directly.
    EXPECT_EQ(modes(), (std::vector<M>{M::inhibit, M::forceDischarge, M::auto_, M::auto_}));

    // Every write now fails: the charger is still discharging when management is turned off.
    c.setIsEnabled(true);
    c.dischargeBattery();
    for (const auto key : {kCH0I, kCH0C, kCH0B})
        transport.answers[key] = {kIOReturnNotPrivileged, 0};
    c.disableAll();
    EXPECT_EQ(state(), State(S::off, std::nullopt));
    EXPECT_EQ(c.lastError(), kNotPrivileged);
    transport.answers.clear();
    c.evaluate();  // the write is tried again and goes through
    EXPECT_EQ(c.appliedMode(), M::auto_);
    EXPECT_FALSE(c.lastError());
}

// The controller decides from the power store's state, once the store has read a level.
TEST_F(ControllerTest, DecidesOnceThePowerStoreKnowsTheLevel) {
    PowerStore store;
    BatSnap snap;
    snap.present = true;
    snap.onAC = true;
    snap.level = 91;
    snap.levelKnown = false;
    store.applyBattery(snap);
    smc = std::make_unique<ChargeSMC>(transport);
    ChargeLimitController c(defaults, *smc, batteryStateOf(store));
    c.evaluate();
    EXPECT_TRUE(transport.writes.empty());
    snap.levelKnown = true;
    store.applyBattery(snap);
    c.evaluate();
    EXPECT_EQ(c.status(), S::holding);
}

}  // namespace
}  // namespace tarvel
