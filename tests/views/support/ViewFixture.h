#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "app/AppCore.h"
#include "base/Clock.h"
#include "drain/ProcFixture.h"
#include "drain/ProcessEnergyStore.h"
#include "platform/LowPowerMode.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/ProcProcessList.h"
#include "shell/panel/MenuPanelModel.h"
#include "support/FixtureMachine.h"
#include "support/FixtureTree.h"
#include "support/PowerSupplyFixtures.h"
#include "support/WaitUntil.h"
#include "views/TarvelOnboarding.h"
#include "views/ViewServices.h"
#include "views/components/KivoRows.h"
#include "views/components/MonitorSection.h"
#include "views/popover/MainRoot.h"
#include "views/prefs/DashboardPrefs.h"

namespace tarvel::test {

// Everything a root view needs, over a fixture machine: an AppCore (not started) reading a
// sysfs tree, with its settings and drain history under the tree, plus a panel model, the
// dashboard preferences and the ViewServices built from them. No actions are set.
//
// In the `fakeProcesses` mode (the dashboard's), the energy store samples a fake /proc on a
// manual clock, so a test decides what runs, the low-power flag is the test's, and one battery
// poll has been applied.
class ViewFixture {
public:
    using Machine = std::function<void(const FixtureTree&)>;
    enum class Mode { machine, fakeProcesses };

    explicit ViewFixture(const Machine& machine = dischargingEnergyLaptop,
                         Mode mode = Mode::machine)
        : core_(makeCore(tree, machine)),
          fakeEnergy_(mode == Mode::fakeProcesses
                          ? std::make_unique<ProcessEnergyStore>(
                                clock, processList,
                                [] {
                                    return PowerFigures{10.0, 10.0, true, false, false};
                                },
                                nullptr)
                          : nullptr),
          panel(core_->powerStore(), energy(), lowPowerFor(mode)),
          prefs(core_->settings()),
          services{core_->settings(),
                   core_->platform().clock(),
                   core_->powerStore(),
                   energy(),
                   core_->drainLog(),
                   core_->drainAlerts(),
                   core_->chargeLimit(),
                   panel,
                   lowPowerFor(mode),
                   prefs,
                   nullptr,
                   {},
                   {},
                   {}} {
        if (mode == Mode::fakeProcesses) readMachine();
    }

    AppCore& core() { return *core_; }
    UserDefaults& settings() { return core_->settings(); }
    ProcessEnergyStore& energy() { return fakeEnergy_ ? *fakeEnergy_ : core_->processEnergy(); }

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

    // fakeProcesses mode: lets two samples of the fake /proc pass, so the store publishes what
    // runs.
    void runProcesses(const std::vector<std::pair<int, std::string>>& running) {
        for (int pass = 0; pass < 2; ++pass) {
            for (const auto& [pid, name] : running) proc.setCpu(pid, 5.0 * (pass + 1), name);
            clock.advance(10);
            bool finished = false;
            auto connection = QObject::connect(&energy(), &ProcessEnergyStore::sampleFinished,
                                               [&] { finished = true; });
            energy().sample();
            waitUntil([&] { return finished; });
            QObject::disconnect(connection);
        }
    }

    FixtureTree tree;
    ProcFixture proc;
    ManualClock clock{1'772'373'600.0};
    ProcProcessList processList{proc.root(), ProcFixture::kHz, 4};
    FixedLowPowerMode lowPower;

private:
    static std::unique_ptr<AppCore> makeCore(const FixtureTree& tree, const Machine& machine) {
        if (machine) machine(tree);
        return std::make_unique<AppCore>(
            std::make_unique<LinuxPlatform>(fixtureMachineRoots(tree)));
    }
    LowPowerMode& lowPowerFor(Mode mode) {
        return mode == Mode::fakeProcesses ? static_cast<LowPowerMode&>(lowPower)
                                           : core_->platform().lowPowerMode();
    }

    std::unique_ptr<AppCore> core_;
    std::unique_ptr<ProcessEnergyStore> fakeEnergy_;

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

// The texts of the labels `root` shows.
inline QStringList shownTexts(const QWidget& root) {
    QStringList texts;
    for (const QLabel* label : root.findChildren<QLabel*>())
        if (label->isVisibleTo(&root)) texts << label->text();
    return texts;
}

inline QStringList sectionTitles(const QWidget& root) {
    QStringList titles;
    for (const MonitorSection* section : root.findChildren<MonitorSection*>())
        if (section->isVisibleTo(&root)) titles << section->title();
    return titles;
}

inline MonitorSection* section(const QWidget& root, const QString& title) {
    for (MonitorSection* section : root.findChildren<MonitorSection*>())
        if (section->title() == title) return section;
    return nullptr;
}

inline QAbstractButton* button(const QWidget& root, const QString& text) {
    for (QAbstractButton* button : root.findChildren<QAbstractButton*>())
        if (button->text() == text) return button;
    ADD_FAILURE() << "no button " << text.toStdString();
    return nullptr;
}

inline const QSize kPopoverSize{300, 520};

// A popover root over the fixture, shown (so it has stored "newer") with the welcome sheet
// already dismissed.
inline std::unique_ptr<MainRoot> shownRoot(ViewFixture& fixture) {
    TarvelOnboarding::markSeen(fixture.settings());
    auto root = std::make_unique<MainRoot>(fixture.services, kPopoverSize);
    root->show();
    QCoreApplication::processEvents();
    return root;
}

// The visible popover list rows whose label is `label`.
inline QList<KivoRow*> rowsLabelled(const QWidget& root, const QString& label) {
    QList<KivoRow*> found;
    for (KivoRow* row : root.findChildren<KivoRow*>())
        if (row->isVisibleTo(&root) && row->label() == label) found.append(row);
    return found;
}

}  // namespace tarvel::test
