#pragma once

#include <string>

namespace tarvel {

class BatteryServices;
class ChargerTransport;
class Clock;
class CommandRunner;
class EnergyReporter;
class LowPowerMode;
class NotificationCenter;
class ProcessList;
class SleepWakeEvents;
class SystemInfo;

// Everything the services need from the operating system, in one place. Each object is
// created once, on first use (on the main thread), and lives as long as the platform.
// Creating the platform or any of its objects reads the machine but changes nothing on it.
class Platform {
public:
    virtual ~Platform() = default;

    virtual Clock& clock() = 0;
    virtual BatteryServices& batteryServices() = 0;
    virtual CommandRunner& commandRunner() = 0;
    virtual EnergyReporter& energyReporter() = 0;
    virtual SystemInfo& systemInfo() = 0;
    virtual LowPowerMode& lowPowerMode() = 0;
    virtual ProcessList& processList() = 0;
    virtual ChargerTransport& chargerTransport() = 0;
    virtual NotificationCenter& notifications() = 0;
    virtual SleepWakeEvents& sleepWakeEvents() = 0;

    // The application's data folder (the drain history lives here).
    virtual std::string dataDir() = 0;
    // The settings file shared by every Tarvel process of the user.
    virtual std::string settingsPath() = 0;
};

}  // namespace tarvel
