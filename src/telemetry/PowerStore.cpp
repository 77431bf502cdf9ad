#include "telemetry/PowerStore.h"

#include "base/Published.h"
#include "base/SharedInstance.h"
#include "platform/LowPowerMode.h"
#include "telemetry/BatteryAssembly.h"

namespace tarvel {

PowerStore::PowerStore(Clock& clock, QObject* parent) : QObject(parent), clock_(clock) {}

PowerStore::PowerStore(PowerStoreEnvironment environment, QObject* parent)
    : QObject(parent),
      clock_(environment.clock ? *environment.clock : Clock::system()),
      env_(std::move(environment)),
      timer_(env_.timer),
      workQ_(std::make_unique<SerialQueue>("tarvelpro.power")) {
    // Timed where it reads, so a poll wakes the main thread once, with its result.
    if (!timer_) timer_ = makeQueuePollTimer(*workQ_);
    if (env_.lowPowerMode)
        connect(env_.lowPowerMode, &LowPowerMode::changed, this, &PowerStore::lowPowerModeChanged);
}

PowerStore& PowerStore::shared() {
    return SharedInstance<PowerStore>::get("PowerStore");
}

PowerStore::~PowerStore() {
    *alive_ = false;
    if (timer_) timer_->stop();
}

void PowerStore::setObservers(PowerRecorder* recorder, DrainEvaluator* evaluator) {
    env_.recorder = recorder;
    env_.evaluator = evaluator;
}

PowerStore::BatSnap PowerStore::readBattery(bool includeShellCrossCheck, BatteryServices& services,
                                            CommandRunner& runner) {
    return mergeBatteryReadings(collectBatteryReadings(includeShellCrossCheck, services, runner));
}

void PowerStore::applyBattery(const BatSnap& snap) {
    const BatteryState& next = batterySmoother_.apply(snap, clock_.now());
    auto field = [&](auto member, void (PowerStore::*changed)()) {
        publish(this, battery_.*member, next.*member, changed);
    };
    field(&BatteryState::batteryPresent, &PowerStore::batteryPresentChanged);
    field(&BatteryState::levelKnown, &PowerStore::levelKnownChanged);
    field(&BatteryState::levelPercent, &PowerStore::levelPercentChanged);
    field(&BatteryState::isCharging, &PowerStore::isChargingChanged);
    field(&BatteryState::isOnAC, &PowerStore::isOnACChanged);
    field(&BatteryState::batterySourcesUsed, &PowerStore::batterySourcesUsedChanged);
    field(&BatteryState::chargeWatts, &PowerStore::chargeWattsChanged);
    field(&BatteryState::cycleCount, &PowerStore::cycleCountChanged);
    field(&BatteryState::healthPercent, &PowerStore::healthPercentChanged);
    field(&BatteryState::capacityRaw, &PowerStore::capacityRawChanged);
    field(&BatteryState::designCapacity, &PowerStore::designCapacityChanged);
    field(&BatteryState::remainingMinutes, &PowerStore::remainingMinutesChanged);
    field(&BatteryState::minutesIsLiveEstimate, &PowerStore::minutesIsLiveEstimateChanged);
    field(&BatteryState::timeEstimateSource, &PowerStore::timeEstimateSourceChanged);
    field(&BatteryState::timeText, &PowerStore::timeTextChanged);
    field(&BatteryState::statusText, &PowerStore::statusTextChanged);
}

void PowerStore::notePowerTransition(bool wake) {
    batterySmoother_.notePowerTransition(wake, clock_.now());
    if (wake && timer_) {
        // Readings settle over the first seconds after a wake: look again soon, twice.
        auto again = [this, alive = alive_] {
            if (*alive) poll();
        };
        timer_->singleShot(5.0, again);
        timer_->singleShot(15.0, again);
    }
}

}  // namespace tarvel
