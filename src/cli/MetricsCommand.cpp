// tarvelctl metrics: the machine's state once, in the Prometheus text format.
#include <iostream>

#include "app/AppCore.h"
#include "app/metrics/TarvelMetrics.h"
#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/EventWait.h"
#include "cli/MachineOptions.h"

namespace tarvel::cli {

namespace {

// Runs one process-energy pass and waits for its result.
void sampleProcesses(ProcessEnergyStore& processes) {
    bool finished = false;
    const auto connection = QObject::connect(&processes, &ProcessEnergyStore::sampleFinished,
                                             [&finished] { finished = true; });
    processes.sample();
    runEventsUntil([&finished] { return finished; }, 60000);
    QObject::disconnect(connection);
}

}  // namespace

int runMetrics(const Args& args, std::ostream& out) {
    if (!args.positional().empty())
        throw UsageError("metrics takes no arguments: " + args.positional()[0]);
    // Reads only: no history records, alerts or charger writes.
    CoreServices services;
    services.drainHistory = services.drainAlerts = services.chargeControl = false;
    const auto core = AppCore::forMachine(machineRootsFrom(args), services);
    PowerStore& store = core->powerStore();
    ProcessEnergyStore& processes = core->processEnergy();

    // Two polls and two process passes two seconds apart: the energy counters and the process
    // CPU times give rates only from a second sample.
    store.poll();
    waitForPolls(store, 1);
    sampleProcesses(processes);
    runEventsFor(2000);
    store.poll();
    waitForPolls(store, 2);
    sampleProcesses(processes);

    out << tarvelMetrics(metricsSourcesOf(*core, args.value("log")));
    return 0;
}

}  // namespace tarvel::cli
