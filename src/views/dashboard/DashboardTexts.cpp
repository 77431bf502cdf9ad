#include "views/dashboard/DashboardTexts.h"

#include <QStringList>

#include "drain/ProcEnergy.h"
#include "shell/panel/EnergyLabel.h"
#include "shell/statusitem/BatteryMenuChrome.h"
#include "telemetry/PowerStore.h"

namespace tarvel::DashboardTexts {

QString batterySummary(const PowerStore& power) {
    if (!power.batteryPresent()) return "AC";
    QStringList parts{QString::fromStdString(BatteryMenuChrome::levelText(power.level()))};
    const std::string time = BatteryMenuChrome::remainingText(power.remainingMinutes());
    if (!time.empty()) parts << QString::fromStdString(time);
    if (!power.statusText().empty()) parts << QString::fromStdString(power.statusText());
    return parts.join(" · ");
}

QString whySummary(int dropPercent) {
    if (dropPercent < 1) return "steady";
    return QString::fromUtf8("\u2212") + QString::number(dropPercent) + "%";
}

QString appsSummary(const std::vector<ProcEnergy>& top) {
    if (top.empty()) return QString::fromUtf8("—");
    const ProcEnergy& first = top.front();
    return QString::fromStdString(first.name) + " · " +
           QString::fromStdString(energyLabel(first.cpuPercent, first.estimatedWatts));
}

QString displayVersion(const std::string& version) {
    QString text = QString::fromStdString(version);
    for (const char* channel : {"Experimental", "Beta", "Final"}) {
        const QString suffix = QString("-") + channel;
        if (text.endsWith(suffix)) {
            text.chop(suffix.size());
            return text + " " + channel;
        }
    }
    return text;
}

}  // namespace tarvel::DashboardTexts
