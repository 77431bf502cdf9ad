#pragma once

#include <QDBusConnection>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "app/AppCore.h"
#include "platform/LowPowerMode.h"
#include "platform/linux/LinuxPlatform.h"
#include "shell/panel/MenuPanelModel.h"
#include "support/FixtureMachine.h"
#include "support/FixtureTree.h"
#include "support/PowerSupplyFixtures.h"
#include "support/WaitUntil.h"
#include "views/ViewServices.h"
#include "views/prefs/DashboardPrefs.h"

namespace tarvel::test {

// Everything a root view needs, over a fixture machine: an AppCore (not started) reading a
// sysfs tree, with its settings and drain history under the tree, plus a panel model, the
// dashboard preferences and the ViewServices built from them. No actions are set.
class ViewFixture {
public:
    using Machine = std::function<void(const FixtureTree&)>;

    explicit ViewFixture(const Machine& machine = dischargingEnergyLaptop)
        : core_(makeCore(tree, machine)),
          panel(core_->powerStore(), core_->processEnergy(), core_->platform().lowPowerMode()),
          prefs(core_->settings()),
          services{core_->settings(),
                   core_->platform().clock(),
                   core_->powerStore(),
                   core_->processEnergy(),
                   core_->drainLog(),
                   core_->drainAlerts(),
                   core_->chargeLimit(),
                   panel,
                   core_->platform().lowPowerMode(),
                   prefs,
                   nullptr,
                   nullptr,
                   {},
                   {},
                   {}} {}

    AppCore& core() { return *core_; }
    UserDefaults& settings() { return core_->settings(); }
    std::string historyPath() const { return core_->drainLog().fileURL(); }

    // One battery poll applied, the charge controller's decision on it and the panel model
    // copied from the stores. False when the poll did not arrive.
    bool readMachine() {
        const auto before = core_->powerStore().pollGeneration();
        core_->powerStore().poll();
        if (!waitUntil([&] { return core_->powerStore().pollGeneration() > before; })) return false;
        core_->chargeLimit().evaluate();
        panel.refreshNow();
        return true;
    }

    // One process sample finished and copied into the panel model.
    bool sampleProcesses() {
        core_->processEnergy().sample();
        if (!waitUntil([&] { return core_->processEnergy().hasSampled(); })) return false;
        panel.refreshNow();
        return true;
    }

    FixtureTree tree;

private:
    static std::unique_ptr<AppCore> makeCore(const FixtureTree& tree, const Machine& machine) {
        if (machine) machine(tree);
        return std::make_unique<AppCore>(
            std::make_unique<LinuxPlatform>(fixtureMachineRoots(tree)));
    }

    std::unique_ptr<AppCore> core_;

public:
    MenuPanelModel panel;
    DashboardPrefs prefs;
    ViewServices services;
};

// The visible widgets of type T under `root` whose text() is `text`.
template <typename T>
QList<T*> visibleWithText(const QWidget& root, const QString& text) {
    QList<T*> found;
    for (T* widget : root.findChildren<T*>())
        if (widget->isVisibleTo(&root) && widget->text() == text) found.append(widget);
    return found;
}

}  // namespace tarvel::test
