#include "charge/ChargeLimitController.h"

#include <cmath>

#include "base/Published.h"
#include "base/Rounding.h"
#include "base/SharedInstance.h"
#include "base/UserDefaults.h"
#include "charge/ChargeTexts.h"
#include "telemetry/PowerStore.h"

namespace tarvel {

namespace t = charge_texts;

namespace {

constexpr double kMinLimit = 50, kMaxLimit = 100, kDefaultLimit = 80;
// The level at which a full-charge override on the adapter counts as done.
constexpr int kFullChargeDoneLevel = 99;

}  // namespace

const char* rawValue(ChargeLimitStatus status) {
    switch (status) {
        case ChargeLimitStatus::off:
            return t::kStatusOff;
        case ChargeLimitStatus::onBattery:
            return t::kStatusOnBattery;
        case ChargeLimitStatus::chargingToLimit:
            return t::kStatusChargingToLimit;
        case ChargeLimitStatus::holding:
            return t::kStatusHolding;
        case ChargeLimitStatus::chargeToFull:
            return t::kStatusChargeToFull;
        case ChargeLimitStatus::discharging:
            return t::kStatusDischarging;
        case ChargeLimitStatus::unsupported:
            return t::kStatusUnsupported;
    }
    return t::kStatusOff;
}

const char* caseName(ChargeLimitStatus status) {
    switch (status) {
        case ChargeLimitStatus::off:
            return "off";
        case ChargeLimitStatus::onBattery:
            return "onBattery";
        case ChargeLimitStatus::chargingToLimit:
            return "chargingToLimit";
        case ChargeLimitStatus::holding:
            return "holding";
        case ChargeLimitStatus::chargeToFull:
            return "chargeToFull";
        case ChargeLimitStatus::discharging:
            return "discharging";
        case ChargeLimitStatus::unsupported:
            return "unsupported";
    }
    return "off";
}

ChargeBatteryStateProvider batteryStateOf(PowerStore& store) {
    return [s = QPointer<PowerStore>(&store)] {
        ChargeBatteryState state;
        if (!s) return state;
        state.batteryPresent = s->batteryPresent();
        state.levelPercent = s->levelPercent();
        state.isOnAC = s->isOnAC();
        state.isCharging = s->isCharging();
        // "—" until the first battery reading; a battery whose level cannot be read gives
        // nothing to hold a limit against.
        state.known = s->statusText() != kDash && (!s->batteryPresent() || s->levelKnown());
        return state;
    };
}

ChargeLimitController::ChargeLimitController(UserDefaults& defaults, ChargeSMC& smc,
                                             ChargeBatteryStateProvider battery, QObject* parent)
    : QObject(parent),
      defaults_(defaults),
      smc_(smc),
      battery_(std::move(battery)),
      detail_(t::kDetailInitial),
      backendName_(kDash),
      modeDescription_(t::kAutomatic),
      timer_(this) {
    readSettings();
    backendName_ = smc_.isAvailable() ? t::kBackendSMC : t::kBackendUnavailable;

    timer_.setTimerType(Qt::CoarseTimer);
    timer_.setInterval(kEvaluateIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &ChargeLimitController::evaluate);
    // The preferences, `tarvelctl charge hold` and the application share these settings: a
    // change made elsewhere applies at the next evaluation.
    connect(&defaults_, &UserDefaults::changed, this, &ChargeLimitController::followSetting);
}

ChargeLimitController& ChargeLimitController::shared() {
    return SharedInstance<ChargeLimitController>::get("ChargeLimitController");
}

void ChargeLimitController::readSettings() {
    const auto stored = defaults_.integer(kChargeLimitPercentKey);
    publish(this, isEnabled_, defaults_.boolValue(kChargeLimitEnabledKey).value_or(true),
            &ChargeLimitController::isEnabledChanged);
    publish(this, limitPercent_,
            stored ? clampTo(static_cast<double>(*stored), kMinLimit, kMaxLimit) : kDefaultLimit,
            &ChargeLimitController::limitPercentChanged);
    publish(this, forceFullCharge_, defaults_.boolValue(kChargeLimitForceFullKey).value_or(false),
            &ChargeLimitController::forceFullChargeChanged);
    publish(this, forceDischarge_, defaults_.boolValue(kChargeLimitDischargeKey).value_or(false),
            &ChargeLimitController::forceDischargeChanged);
}

void ChargeLimitController::followSetting(const std::string& key) {
    if (key == kChargeLimitEnabledKey || key == kChargeLimitPercentKey ||
        key == kChargeLimitForceFullKey || key == kChargeLimitDischargeKey)
        readSettings();
}

void ChargeLimitController::start() {
    running_ = true;
    if (!paced_) timer_.start();
    evaluate();
}

void ChargeLimitController::stop() {
    running_ = false;
    timer_.stop();
}

int ChargeLimitController::wholeLimit() const {
    return static_cast<int>(limitPercent_);
}

int ChargeLimitController::heldLimit() const {
    const auto firmware = smc_.firmwareLevel();
    return firmware && firmware->percent ? *firmware->percent : wholeLimit();
}

namespace {

const char* descriptionOf(ChargeSMCMode mode) {
    switch (mode) {
        case ChargeSMCMode::auto_:
            return t::kAutomatic;
        case ChargeSMCMode::inhibit:
            return t::kInhibiting;
        case ChargeSMCMode::forceDischarge:
            return t::kDischarging;
    }
    return t::kAutomatic;
}

}  // namespace

void ChargeLimitController::setIsEnabled(bool on) {
    publish(this, isEnabled_, on, &ChargeLimitController::isEnabledChanged);
    defaults_.setBool(kChargeLimitEnabledKey, on);
    if (!on) {
        setForceFullCharge(false);
        setForceDischarge(false);
    }
    evaluate();
}

void ChargeLimitController::setLimitPercent(double percent) {
    // NaN is no level at all: keep the current limit.
    if (std::isnan(percent)) percent = limitPercent_;
    const double whole = clampTo(std::trunc(percent), kMinLimit, kMaxLimit);
    publish(this, limitPercent_, whole, &ChargeLimitController::limitPercentChanged);
    defaults_.setInteger(kChargeLimitPercentKey, static_cast<std::int64_t>(whole));
    evaluate();
}

void ChargeLimitController::setForceFullCharge(bool on) {
    publish(this, forceFullCharge_, on, &ChargeLimitController::forceFullChargeChanged);
    defaults_.setBool(kChargeLimitForceFullKey, on);
    if (on) setForceDischarge(false);
    evaluate();
}

void ChargeLimitController::setForceDischarge(bool on) {
    if (on) {
        if (auto why = smc_.whyNoDischarge()) {
            setLastError(std::move(why));
            return;
        }
    }
    publish(this, forceDischarge_, on, &ChargeLimitController::forceDischargeChanged);
    defaults_.setBool(kChargeLimitDischargeKey, on);
    if (on) {
        publish(this, forceFullCharge_, false, &ChargeLimitController::forceFullChargeChanged);
        defaults_.setBool(kChargeLimitForceFullKey, false);
    }
    evaluate();
}

void ChargeLimitController::chargeToFullNow() {
    setForceFullCharge(true);
}

void ChargeLimitController::dischargeBattery() {
    setForceDischarge(true);
}

void ChargeLimitController::stopOverride() {
    setForceFullCharge(false);
    setForceDischarge(false);
    evaluate();
}

void ChargeLimitController::disableAll() {
    setIsEnabled(false);
    setForceFullCharge(false);
    setForceDischarge(false);
    // Only a write that went through may count as applied: after a failure the charger may
    // still be inhibited or discharging, and the next evaluation must try again.
    if (smc_.setMode(ChargeSMCMode::auto_)) {
        appliedMode_ = ChargeSMCMode::auto_;
        setLastError(std::nullopt);
    } else {
        appliedMode_.reset();
        setLastError(smc_.lastError());
    }
    show(ChargeLimitStatus::off, t::kAutomatic, t::kDetailDisabled);
}

void ChargeLimitController::applyMode(ChargeSMCMode mode, std::optional<ChargeSMCMode> current) {
    // The charger's own word decides, not the memory of the last write: another program (or a
    // second controller) may have changed the mode since. A charger that cannot say is written.
    if (current == mode) return;
    if (smc_.setMode(mode)) {
        appliedMode_ = mode;
        setLastError(std::nullopt);
    } else {
        // The failed write has reset the charger to automatic: nothing is applied any more.
        appliedMode_.reset();
        setLastError(smc_.lastError());
    }
}

void ChargeLimitController::show(ChargeLimitStatus status, const std::string& modeDescription,
                                 const std::string& detail) {
    publish(this, status_, status, &ChargeLimitController::statusChanged);
    publish(this, modeDescription_, modeDescription,
            &ChargeLimitController::modeDescriptionChanged);
    setDetail(detail);
}

void ChargeLimitController::setDetail(const std::string& detail) {
    publish(this, detail_, detail, &ChargeLimitController::detailChanged);
}

void ChargeLimitController::setLastError(std::optional<std::string> error) {
    publish(this, lastError_, std::move(error), &ChargeLimitController::lastErrorChanged);
}

ChargeDecision ChargeLimitController::decide(const ChargeBatteryState& battery,
                                             std::optional<ChargeSMCMode> chargerMode) {
    using S = ChargeLimitStatus;
    const int L = heldLimit();
    const std::string limit = std::to_string(L);
    const int level = battery.levelPercent;
    auto decision = [](S status, std::optional<std::string> description, std::string detail,
                       std::optional<ChargeSMCMode> mode) {
        return ChargeDecision{status, std::move(description), std::move(detail), mode, false};
    };

    if (!smc_.isAvailable())
        return decision(S::unsupported, t::kAutomatic, t::kDetailSMCUnavailable, std::nullopt);
    if (!isEnabled_)
        return decision(S::off, t::kAutomatic,
                        "Turn on “Manage charging” to hold " + limit + "% on AC.",
                        ChargeSMCMode::auto_);
    if (!battery.batteryPresent)
        return decision(S::unsupported, std::nullopt, t::kDetailNoBattery, ChargeSMCMode::auto_);
    // A discharge stored where the charger cannot do it (set elsewhere) is no override here.
    if (forceDischarge_ && !smc_.whyNoDischarge())
        return decision(S::discharging, t::kDischarging, t::kDetailDischarging,
                        ChargeSMCMode::forceDischarge);
    bool fullChargeDone = false;
    if (forceFullCharge_) {
        if (!battery.isOnAC || level < kFullChargeDoneLevel)
            return decision(S::chargeToFull, t::kChargingToFull, t::kDetailChargeToFull,
                            ChargeSMCMode::auto_);
        // Full on the adapter: the override is done; the limit takes over.
        fullChargeDone = true;
    }
    ChargeDecision d;
    if (const auto firmware = smc_.firmwareLevel()) {
        // The firmware stops at its own level by itself: its switch stays on, plugged or not.
        const std::string held = firmware->percent
                                     ? "near " + std::to_string(*firmware->percent) + "%"
                                     : std::string(t::kFirmwareOwnLevel);
        if (!battery.isOnAC)
            d = decision(S::onBattery, t::kChargerNotConnected, t::kDetailOnBattery,
                         ChargeSMCMode::inhibit);
        else if (!firmware->percent || level >= L - hysteresis_)
            d = decision(S::holding, t::kInhibiting, "The firmware holds the battery " + held + ".",
                         ChargeSMCMode::inhibit);
        else
            d = decision(S::chargingToLimit, t::kCharging,
                         "Charging; the firmware stops " + held + ".", ChargeSMCMode::inhibit);
    } else if (!battery.isOnAC) {
        d = decision(S::onBattery, t::kChargerNotConnected, t::kDetailOnBattery,
                     ChargeSMCMode::auto_);
    } else if (level >= L) {
        d = decision(S::holding, t::kInhibiting,
                     battery.isCharging
                         ? "At " + limit + "% — inhibit requested (IsCharging may lag briefly)."
                         : "Holding near " + limit + "% with the charger connected.",
                     ChargeSMCMode::inhibit);
    } else if (level <= L - hysteresis_) {
        d = decision(S::chargingToLimit, t::kCharging, "Charging toward " + limit + "%.",
                     ChargeSMCMode::auto_);
    } else if (level == L - 1 && chargerMode.value_or(appliedMode_.value_or(
                                     ChargeSMCMode::auto_)) == ChargeSMCMode::inhibit) {
        // Inhibited already: one point below the limit stays inhibited.
        d = decision(S::holding, t::kInhibiting, "Holding near " + limit + "%.",
                     ChargeSMCMode::inhibit);
    } else {
        d = decision(S::chargingToLimit, t::kCharging, "Approaching " + limit + "%.",
                     ChargeSMCMode::auto_);
    }
    d.fullChargeDone = fullChargeDone;
    return d;
}

void ChargeLimitController::evaluate() {
    settle(true);
}

void ChargeLimitController::preview() {
    settle(false);
}

void ChargeLimitController::settle(bool write) {
    const ChargeBatteryState battery = battery_ ? battery_() : ChargeBatteryState{};
    // Before the first battery reading every machine looks like one without a battery, which
    // would hand charging back to the system.
    if (!battery.known) return;
    // A charger that holds at a level (a charge threshold) reads as inhibited only at this
    // limit: a threshold left at another level, or reset by the firmware, is written again.
    smc_.setHoldLimit(wholeLimit());
    // Read once: the decision and the write both go by what the charger says now.
    const std::optional<ChargeSMCMode> charger = smc_.readMode();
    const ChargeDecision d = decide(battery, charger);

    publish(this, backendName_,
            std::string(smc_.isAvailable() ? t::kBackendSMC : t::kBackendUnavailable),
            &ChargeLimitController::backendNameChanged);
    if (write && d.fullChargeDone) {
        publish(this, forceFullCharge_, false, &ChargeLimitController::forceFullChargeChanged);
        defaults_.setBool(kChargeLimitForceFullKey, false);
    }
    if (write && d.mode) applyMode(*d.mode, charger);
    publish(this, status_, d.status, &ChargeLimitController::statusChanged);
    std::optional<std::string> description = d.modeDescription;
    // Without the write the charger keeps its own mode: say that one, not the wanted one.
    if (!write && d.mode && charger != d.mode)
        description = charger ? std::string(descriptionOf(*charger)) : smc_.stateText();
    if (description && !description->empty())
        publish(this, modeDescription_, *description,
                &ChargeLimitController::modeDescriptionChanged);
    setDetail(d.detail);
}

std::string ChargeLimitController::statusLine() const {
    const auto firmware = smc_.firmwareLevel();
    const std::string limit = firmware && !firmware->percent ? std::string("the firmware’s level")
                                                             : std::to_string(heldLimit()) + "%";
    switch (status_) {
        case ChargeLimitStatus::off:
            return t::kAutomatic;
        case ChargeLimitStatus::onBattery:
            return t::kChargerNotConnected;
        case ChargeLimitStatus::chargingToLimit:
            return "Charging to " + limit;
        case ChargeLimitStatus::holding:
            return "Inhibiting charging · " + limit;
        case ChargeLimitStatus::chargeToFull:
            return t::kChargingToFull;
        case ChargeLimitStatus::discharging:
            return t::kDischarging;
        case ChargeLimitStatus::unsupported:
            return t::kControlUnavailableLine;
    }
    return t::kAutomatic;
}

std::string ChargeLimitController::appModeLabel() const {
    if (!isEnabled_) return t::kAutomatic;
    if (forceDischarge_ && !smc_.whyNoDischarge()) return t::kDischarging;
    if (forceFullCharge_) return t::kChargingToFull;
    switch (status_) {
        case ChargeLimitStatus::off:
            return t::kAutomatic;
        case ChargeLimitStatus::onBattery:
            return t::kChargerNotConnected;
        case ChargeLimitStatus::chargingToLimit:
            return t::kCharging;
        case ChargeLimitStatus::holding:
            return t::kInhibiting;
        case ChargeLimitStatus::chargeToFull:
            return t::kChargingToFull;
        case ChargeLimitStatus::discharging:
            return t::kDischarging;
        case ChargeLimitStatus::unsupported:
            return t::kAutomatic;
    }
    return t::kAutomatic;
}

}  // namespace tarvel
