// Renders the dashboard on the discharging fixture to PNG files for a look by eye:
// dashboard_screens <directory>.
#include <QApplication>
#include <QDir>

#include "views/dashboard/DashboardFixture.h"
#include "views/TarvelOnboarding.h"
#include "views/dashboard/DashboardRoot.h"

using namespace tarvel;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    test::DashboardFixture fixture;
    TarvelOnboarding::markSeen(fixture.core->settings());
    fixture.core->settings().setBool(DashboardPrefs::kSeededKey, true);
    fixture.runProcesses({{300, "firefox"}, {301, "code"}, {302, "<b>miner</b>"}});
    const auto shoot = [&](const QString& name, auto setUp) {
        DashboardRoot root(*fixture.services);
        root.resize(440, 900);
        root.show();
        setUp(root);
        test::waitUntil([] { return false; }, 400);  // layouts settled, fades done
        root.grab().save(dir + "/dash-" + name + ".png");
    };
    fixture.prefs->resetToMockDefaults();
    shoot("default", [](DashboardRoot&) {});
    fixture.prefs->applyPreset("full");
    shoot("full", [](DashboardRoot&) {});
    fixture.prefs->resetToMockDefaults();
    shoot("panel", [](DashboardRoot& root) { root.setCustomizeOpen(true); });
    fixture.core->settings().remove(TarvelOnboarding::kSeenKey);
    shoot("welcome", [](DashboardRoot&) {});
    return 0;
}
