#pragma once

#include <QApplication>
#include <QDBusConnection>
#include <QLabel>
#include <QPushButton>
#include <memory>

#include "app/AppCore.h"
#include "base/Clock.h"
#include "drain/ProcFixture.h"
#include "drain/ProcessEnergyStore.h"
#include "platform/LowPowerMode.h"
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/ProcProcessList.h"
#include "shell/panel/MenuPanelModel.h"
#include "support/FixtureMachine.h"
#include "support/PowerSupplyFixtures.h"
#include "support/WaitUntil.h"
#include "views/ViewServices.h"
#include "views/components/MonitorSection.h"
#include "views/prefs/DashboardPrefs.h"

namespace tarvel::test {

// A fixture machine's core with every service a dashboard reads; the process list comes from
// a fake /proc sampled on a manual clock, so a test decides what runs.
class DashboardFixture {
public:
    explicit DashboardFixture(void (*machineKind)(const FixtureTree&) = dischargingEnergyLaptop) {
        machineKind(machine);
        core = std::make_unique<AppCore>(
            std::make_unique<LinuxPlatform>(fixtureMachineRoots(machine)));
        energy = std::make_unique<ProcessEnergyStore>(
            clock, processes,
            [] {
                return PowerFigures{10.0, 10.0, true, false, false};
            },
            nullptr);
        panel = std::make_unique<MenuPanelModel>(core->powerStore(), *energy, lowPower);
        prefs = std::make_unique<DashboardPrefs>(core->settings());
        services = std::make_unique<ViewServices>(ViewServices{core->settings(),
                                                               core->platform().clock(),
                                                               core->powerStore(),
                                                               *energy,
                                                               core->drainLog(),
                                                               core->drainAlerts(),
                                                               core->chargeLimit(),
                                                               *panel,
                                                               lowPower,
                                                               *prefs,
                                                               nullptr,
                                                               nullptr,
                                                               {},
                                                               {},
                                                               {}});
        const auto before = core->powerStore().pollGeneration();
        core->powerStore().poll();
        waitUntil([&] { return core->powerStore().pollGeneration() > before; });
    }

    // Lets two samples of the fake /proc pass, so the store publishes what runs.
    void runProcesses(const std::vector<std::pair<int, std::string>>& processes) {
        for (int pass = 0; pass < 2; ++pass) {
            for (const auto& [pid, name] : processes) proc.setCpu(pid, 5.0 * (pass + 1), name);
            clock.advance(10);
            bool finished = false;
            auto connection = QObject::connect(energy.get(), &ProcessEnergyStore::sampleFinished,
                                               [&] { finished = true; });
            energy->sample();
            waitUntil([&] { return finished; });
            QObject::disconnect(connection);
        }
    }

    FixtureTree machine;
    ProcFixture proc;
    ManualClock clock{1'772'373'600.0};
    ProcProcessList processes{proc.root(), ProcFixture::kHz, 4};
    FixedLowPowerMode lowPower;
    std::unique_ptr<AppCore> core;
    std::unique_ptr<ProcessEnergyStore> energy;
    std::unique_ptr<MenuPanelModel> panel;
    std::unique_ptr<DashboardPrefs> prefs;
    std::unique_ptr<ViewServices> services;
};

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

inline QPushButton* button(const QWidget& root, const QString& text) {
    for (QPushButton* button : root.findChildren<QPushButton*>())
        if (button->text() == text) return button;
    return nullptr;
}

}  // namespace tarvel::test
