#pragma once

#include <memory>
#include <string>

#include "telemetry/PowerStore.h"

namespace tarvel {

// Where this machine's readings live; each root can point at a fixture tree instead.
struct MachineRoots {
    std::string sys = "/sys";
    std::string powercap = "/sys/class/powercap";
    std::string proc = "/proc";
};

// Owns the real readers of a Linux machine and hands them to a power store.
class MachinePowerSources {
public:
    explicit MachinePowerSources(MachineRoots roots = {}, Clock& clock = Clock::system());
    ~MachinePowerSources();

    PowerStoreEnvironment environment();
    Clock& clock() { return clock_; }

private:
    struct Parts;
    Clock& clock_;
    std::unique_ptr<Parts> parts_;
};

}  // namespace tarvel
