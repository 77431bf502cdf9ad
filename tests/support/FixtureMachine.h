#pragma once

#include <QDBusConnection>

#include "platform/MachineRoots.h"
#include "support/FixtureTree.h"

namespace tarvel::test {

// A machine under `tree`: its sysfs and /proc, the data folder and the settings file, and no
// system or session bus (connections that are never opened).
inline MachineRoots fixtureMachineRoots(const FixtureTree& tree) {
    MachineRoots roots;
    roots.sys = tree.root();
    roots.proc = tree.root() + "/proc";
    roots.dataDir = tree.root() + "/data";
    roots.settingsPath = tree.root() + "/config/defaults.json";
    roots.systemBus = QDBusConnection("fixture-machine-no-system-bus");
    roots.sessionBus = QDBusConnection("fixture-machine-no-session-bus");
    return roots;
}

}  // namespace tarvel::test
