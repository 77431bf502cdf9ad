#pragma once

#include <QObject>
#include <memory>

#include "app/metrics/MetricsTextfileExporter.h"
#include "base/UserDefaults.h"
#include "charge/ChargeLimitController.h"
#include "charge/ChargeSMC.h"
#include "drain/DrainAlertMonitor.h"
#include "drain/DrainLog.h"
#include "drain/ProcessEnergyStore.h"
#include "platform/MachineRoots.h"
#include "platform/Platform.h"
#include "telemetry/IOReportPowerReader.h"
#include "telemetry/PackagePower.h"
#include "telemetry/PowerStore.h"

namespace tarvel {

// Which services a process runs once started. The application runs all of them; tarvelctl
// commands run what they stand in for.
struct CoreServices {
    bool drainHistory = true;      // write the drain history (if no other process does)
    bool processEnergy = true;     // split the power over the running processes
    bool drainAlerts = true;       // notify on fast drain
    bool chargeControl = true;     // hold the charge limit (writes the charger)
    bool metricsTextfile = false;  // keep the Prometheus textfile current (if one is set)
};

// The application's core: the settings store, the platform and every long-lived service,
// built once over the platform and wired together. Building it changes nothing on the
// machine; start() starts the services.
class AppCore : public QObject {
    Q_OBJECT

public:
    explicit AppCore(std::unique_ptr<Platform> platform, CoreServices services = {},
                     QObject* parent = nullptr);
    ~AppCore() override;

    // A core over this Linux machine (or the fixture trees the roots name).
    static std::unique_ptr<AppCore> forMachine(MachineRoots roots = {}, CoreServices services = {});

    // The start-up sequence: the power store's timer and a first poll, the process energy
    // store, the charge limit controller (its first decision waits for the first battery
    // reading), the metrics textfile, then the sleep and wake observers. From here on the
    // services' shared() accessors reach this core.
    void start();

    Platform& platform() { return *platform_; }
    UserDefaults& settings() { return settings_; }
    PowerStore& powerStore() { return powerStore_; }
    ProcessEnergyStore& processEnergy() { return processEnergy_; }
    DrainLog& drainLog() { return drainLog_; }
    DrainAlertMonitor& drainAlerts() { return drainAlerts_; }
    ChargeSMC& charger() { return charger_; }
    ChargeLimitController& chargeLimit() { return chargeLimit_; }
    MetricsTextfileExporter& metricsTextfile() { return metricsTextfile_; }

signals:
    // A display or system sleep or wake ("system_sleep", …) was handed to the services.
    void powerTransitionNoted(const std::string& label, bool wake);

private:
    PowerStoreEnvironment powerEnvironment();
    void observeSleepAndWake();
    void noteTransition(const char* label, bool wake);
    void share(bool on);

    // Declared in build order; destroyed in reverse, so nothing outlives what it uses.
    std::unique_ptr<Platform> platform_;
    CoreServices services_;
    UserDefaults settings_;
    IOReportPowerReader energyReader_;
    PackagePower packagePower_;
    DrainLog drainLog_;
    PowerStore powerStore_;
    ProcessEnergyStore processEnergy_;
    DrainAlertMonitor drainAlerts_;
    ChargeSMC charger_;
    ChargeLimitController chargeLimit_;
    MetricsTextfileExporter metricsTextfile_{*this};
    bool started_ = false;
};

}  // namespace tarvel
