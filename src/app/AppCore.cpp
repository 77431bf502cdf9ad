#include "app/AppCore.h"

#include "base/SharedInstance.h"
#include "platform/SleepWakeEvents.h"
#include "platform/linux/LinuxPlatform.h"

namespace tarvel {

AppCore::AppCore(std::unique_ptr<Platform> platform, CoreServices services, QObject* parent)
    : QObject(parent),
      platform_(std::move(platform)),
      services_(services),
      settings_(platform_->settingsPath()),
      energyReader_(platform_->energyReporter(), platform_->clock()),
      packagePower_(&energyReader_, platform_->systemInfo()),
      drainLog_(platform_->clock(), settings_, platform_->dataDir()),
      powerStore_(powerEnvironment()),
      processEnergy_(platform_->clock(), platform_->processList(), powerFiguresFrom(powerStore_),
                     services_.drainHistory ? &drainLog_ : nullptr),
      drainAlerts_(platform_->clock(), settings_, platform_->notifications(),
                   [this]() -> std::optional<std::string> {
                       const auto& top = processEnergy_.top();
                       if (top.empty()) return std::nullopt;
                       return top.front().name;
                   }),
      charger_(platform_->chargerTransport()),
      chargeLimit_(settings_, charger_, batteryStateOf(powerStore_)) {
    powerStore_.setObservers(services_.drainHistory ? &drainLog_ : nullptr,
                             services_.drainAlerts ? &drainAlerts_ : nullptr);
}

AppCore::~AppCore() {
    share(false);
}

std::unique_ptr<AppCore> AppCore::forMachine(MachineRoots roots, CoreServices services) {
    return std::make_unique<AppCore>(std::make_unique<LinuxPlatform>(std::move(roots)), services);
}

PowerStoreEnvironment AppCore::powerEnvironment() {
    PowerStoreEnvironment env;
    env.clock = &platform_->clock();
    env.batteryServices = &platform_->batteryServices();
    env.commandRunner = &platform_->commandRunner();
    env.packagePower = &packagePower_;
    env.lowPowerMode = &platform_->lowPowerMode();
    return env;
}

void AppCore::start() {
    if (started_) return;
    started_ = true;
    share(true);
    // Only one process writes the history; when another one does, the log says so once and
    // takes over when that one quits.
    if (services_.drainHistory) drainLog_.claimWriterLock();

    powerStore_.start();
    if (services_.processEnergy) processEnergy_.start();
    if (services_.chargeControl) {
        chargeLimit_.paceBy(&powerStore_, &PowerStore::pollApplied);
        chargeLimit_.start();
    }
    if (services_.metricsTextfile) metricsTextfile_.start();
    observeSleepAndWake();
}

void AppCore::observeSleepAndWake() {
    SleepWakeEvents& events = platform_->sleepWakeEvents();
    connect(&events, &SleepWakeEvents::displayDidSleep, this,
            [this] { noteTransition("display_sleep", false); });
    connect(&events, &SleepWakeEvents::displayDidWake, this,
            [this] { noteTransition("display_wake", true); });
    connect(&events, &SleepWakeEvents::systemWillSleep, this,
            [this] { noteTransition("system_sleep", false); });
    connect(&events, &SleepWakeEvents::systemDidWake, this,
            [this] { noteTransition("system_wake", true); });
}

void AppCore::noteTransition(const char* label, bool wake) {
    if (services_.drainHistory) drainLog_.recordEvent(label);
    powerStore_.notePowerTransition(wake);
    emit powerTransitionNoted(label, wake);
}

void AppCore::share(bool on) {
    auto registerOrForget = [on](auto* instance) {
        using T = std::remove_pointer_t<decltype(instance)>;
        if (on)
            SharedInstance<T>::set(instance);
        else
            SharedInstance<T>::clear(instance);
    };
    registerOrForget(&powerStore_);
    registerOrForget(&processEnergy_);
    registerOrForget(&drainLog_);
    registerOrForget(&drainAlerts_);
    registerOrForget(&charger_);
    registerOrForget(&chargeLimit_);
}

}  // namespace tarvel
