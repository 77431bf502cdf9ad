#include "platform/linux/LinuxPlatform.h"

#include "base/Clock.h"
#include "base/SupportPaths.h"
#include "base/UserDefaults.h"
#include "platform/linux/DBusNotificationCenter.h"
#include "platform/linux/LinuxSystemInfo.h"
#include "platform/linux/LogindSleepWakeEvents.h"
#include "platform/linux/PowerProfilesLowPowerMode.h"
#include "platform/linux/ProcProcessList.h"
#include "platform/linux/ProcessCommandRunner.h"
#include "platform/linux/RaplEnergyReporter.h"
#include "platform/linux/SysfsBatteryServices.h"
#include "platform/linux/SysfsChargerTransport.h"

namespace tarvel {

struct LinuxPlatform::Parts {
    std::unique_ptr<SysfsBatteryServices> battery;
    std::unique_ptr<ProcessCommandRunner> commands;
    std::unique_ptr<RaplEnergyReporter> energy;
    std::unique_ptr<LinuxSystemInfo> info;
    std::unique_ptr<PowerProfilesLowPowerMode> lowPower;
    std::unique_ptr<ProcProcessList> processes;
    std::unique_ptr<SysfsChargerTransport> charger;
    std::unique_ptr<DBusNotificationCenter> notifications;
    std::unique_ptr<LogindSleepWakeEvents> sleepWake;
};

namespace {
template <typename T, typename... Args>
T& once(std::unique_ptr<T>& slot, Args&&... args) {
    if (!slot) slot = std::make_unique<T>(std::forward<Args>(args)...);
    return *slot;
}
}  // namespace

LinuxPlatform::LinuxPlatform(MachineRoots roots, Clock* clock)
    : roots_(std::move(roots)),
      clock_(clock ? clock : &Clock::system()),
      parts_(std::make_unique<Parts>()) {
    if (roots_.powercap.empty()) roots_.powercap = roots_.sys + "/class/powercap";
}

LinuxPlatform::~LinuxPlatform() = default;

QDBusConnection LinuxPlatform::systemBus() const {
    return roots_.systemBus ? *roots_.systemBus : QDBusConnection::systemBus();
}

QDBusConnection LinuxPlatform::sessionBus() const {
    return roots_.sessionBus ? *roots_.sessionBus : QDBusConnection::sessionBus();
}

Clock& LinuxPlatform::clock() {
    return *clock_;
}

BatteryServices& LinuxPlatform::batteryServices() {
    return once(parts_->battery, roots_.sys);
}

CommandRunner& LinuxPlatform::commandRunner() {
    return once(parts_->commands);
}

EnergyReporter& LinuxPlatform::energyReporter() {
    return once(parts_->energy, roots_.powercap, roots_.sys + "/class/hwmon");
}

SystemInfo& LinuxPlatform::systemInfo() {
    return once(parts_->info, roots_.sys, roots_.proc);
}

LowPowerMode& LinuxPlatform::lowPowerMode() {
    return once(parts_->lowPower, systemBus(), roots_.sys);
}

ProcessList& LinuxPlatform::processList() {
    return once(parts_->processes, roots_.proc);
}

ChargerTransport& LinuxPlatform::chargerTransport() {
    // What inhibit replaced (a start threshold, Dell's charge type) outlives a restart.
    return once(parts_->charger, roots_.sys, SysfsAttributeIO::posix(),
                dataDir() + "/charger-memory");
}

NotificationCenter& LinuxPlatform::notifications() {
    return once(parts_->notifications, sessionBus());
}

SleepWakeEvents& LinuxPlatform::sleepWakeEvents() {
    return once(parts_->sleepWake, systemBus(), sessionBus());
}

std::string LinuxPlatform::dataDir() {
    return roots_.dataDir.empty() ? supportDir() : roots_.dataDir;
}

std::string LinuxPlatform::settingsPath() {
    return roots_.settingsPath.empty() ? UserDefaults::defaultPath() : roots_.settingsPath;
}

}  // namespace tarvel
