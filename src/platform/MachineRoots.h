#pragma once

#include <QDBusConnection>
#include <optional>
#include <string>

namespace tarvel {

// Where the machine's readings, the user's settings and data live. Each root can point at a
// fixture tree and each bus at a private one, so tests and tarvelctl options can stand in for
// the machine.
struct MachineRoots {
    std::string sys = "/sys";
    std::string powercap;  // empty: <sys>/class/powercap
    std::string proc = "/proc";
    std::string dataDir;                        // empty: $XDG_DATA_HOME/Tarvel
    std::string settingsPath;                   // empty: $XDG_CONFIG_HOME/tarvel/defaults.json
    std::optional<QDBusConnection> systemBus;   // none: the system bus
    std::optional<QDBusConnection> sessionBus;  // none: the user's session bus
};

}  // namespace tarvel
