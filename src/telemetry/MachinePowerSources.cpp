#include "telemetry/MachinePowerSources.h"

#include <QDBusConnection>

#include "platform/linux/LinuxSystemInfo.h"
#include "platform/linux/PowerProfilesLowPowerMode.h"
#include "platform/linux/ProcessCommandRunner.h"
#include "platform/linux/RaplEnergyReporter.h"
#include "platform/linux/SysfsBatteryServices.h"
#include "telemetry/IOReportPowerReader.h"

namespace tarvel {

struct MachinePowerSources::Parts {
    Parts(const MachineRoots& roots, Clock& clock)
        : battery(roots.sys),
          rapl(roots.powercap),
          reader(rapl, clock),
          info(roots.sys, roots.proc),
          package(&reader, info),
          lowPower(QDBusConnection::systemBus(), roots.sys) {}

    SysfsBatteryServices battery;
    RaplEnergyReporter rapl;
    IOReportPowerReader reader;
    LinuxSystemInfo info;
    PackagePower package;
    PowerProfilesLowPowerMode lowPower;
};

MachinePowerSources::MachinePowerSources(MachineRoots roots, Clock& clock)
    : clock_(clock), parts_(std::make_unique<Parts>(roots, clock)) {}

MachinePowerSources::~MachinePowerSources() = default;

PowerStore& PowerStore::shared() {
    // Never destroyed: its timers and queues must not outlive the application object in a
    // static destructor.
    static auto* sources = new MachinePowerSources();
    static auto* store = new PowerStore(sources->environment());
    return *store;
}

PowerStoreEnvironment MachinePowerSources::environment() {
    PowerStoreEnvironment env;
    env.clock = &clock_;
    env.batteryServices = &parts_->battery;
    env.commandRunner = &ProcessCommandRunner::shared();
    env.packagePower = &parts_->package;
    env.lowPowerMode = &parts_->lowPower;
    return env;
}

}  // namespace tarvel
