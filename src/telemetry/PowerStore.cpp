#include "telemetry/PowerStore.h"

#include "base/SharedInstance.h"
#include "platform/LowPowerMode.h"
#include "telemetry/BatteryAssembly.h"

namespace tarvel {

PowerStore::PowerStore(Clock& clock, QObject* parent) : QObject(parent), clock_(clock) {}

PowerStore::PowerStore(PowerStoreEnvironment environment, QObject* parent)
    : QObject(parent),
      clock_(environment.clock ? *environment.clock : Clock::system()),
      env_(std::move(environment)),
      timer_(env_.timer ? env_.timer : std::shared_ptr<PollTimer>(makeQtPollTimer())),
      workQ_(std::make_unique<SerialQueue>("tarvelpro.power")) {
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

void PowerStore::notePowerTransition(bool wake) {
    const double now = clock_.now();
    if (!wake) {
        minutesHoldUntil_ = now + 1.0;
        return;
    }
    minutesHoldUntil_ = now + 30.0;
    clearAmpSmoother();
    minutesSamples_.clear();
    pendingLevel_ = -1;
    pendingLevelHits_ = 0;
    if (timer_) {
        // Readings settle over the first seconds after a wake: look again soon, twice.
        auto again = [this, alive = alive_] {
            if (*alive) poll();
        };
        timer_->singleShot(5.0, again);
        timer_->singleShot(15.0, again);
    }
}

}  // namespace tarvel
