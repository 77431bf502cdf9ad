#include "telemetry/PowerStore.h"

#include "telemetry/BatteryAssembly.h"

namespace tarvel {

PowerStore::PowerStore(Clock& clock, QObject* parent) : QObject(parent), clock_(clock) {}

PowerStore::~PowerStore() = default;

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
}

}  // namespace tarvel
