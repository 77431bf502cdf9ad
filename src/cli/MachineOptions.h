#pragma once

#include "cli/Args.h"
#include "platform/MachineRoots.h"

namespace tarvel::cli {

// The machine roots named by --sysfs-root, --powercap-root and --proc-root (those a command
// accepts); the real machine's otherwise.
inline MachineRoots machineRootsFrom(const Args& args) {
    MachineRoots roots;
    roots.sys = args.value("sysfs-root", "/sys");
    roots.powercap = args.value("powercap-root", roots.sys + "/class/powercap");
    roots.proc = args.value("proc-root", "/proc");
    return roots;
}

}  // namespace tarvel::cli
