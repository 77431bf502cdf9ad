#pragma once

#include <QDBusConnection>
#include <memory>
#include <string>

#include "platform/MachineRoots.h"
#include "platform/Platform.h"

namespace tarvel {

// The Linux implementation of every platform interface: sysfs, powercap, /proc, logind,
// power-profiles-daemon and the desktop's notification service.
class LinuxPlatform final : public Platform {
public:
    explicit LinuxPlatform(MachineRoots roots = {}, Clock* clock = nullptr);
    ~LinuxPlatform() override;

    const MachineRoots& roots() const { return roots_; }

    Clock& clock() override;
    BatteryServices& batteryServices() override;
    CommandRunner& commandRunner() override;
    EnergyReporter& energyReporter() override;
    SystemInfo& systemInfo() override;
    LowPowerMode& lowPowerMode() override;
    ProcessList& processList() override;
    ChargerTransport& chargerTransport() override;
    NotificationCenter& notifications() override;
    SleepWakeEvents& sleepWakeEvents() override;
    std::string dataDir() override;
    std::string settingsPath() override;

private:
    QDBusConnection systemBus() const;
    QDBusConnection sessionBus() const;

    MachineRoots roots_;
    Clock* clock_;
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace tarvel
