#include "views/popover/PowerSection.h"

#include <QVBoxLayout>

#include "shell/statusitem/BatteryMenuChrome.h"
#include "telemetry/PowerStore.h"
#include "views/components/MonitorRow.h"
#include "views/components/TarvelText.h"

namespace tarvel {

namespace {

QString watts(double value) {
    return fixed(value, 1) + " W";
}

QString share(double fraction) {
    return "~" + fixed(fraction * 100, 0) + "%";
}

}  // namespace

PowerSection::PowerSection(PowerStore& power, UserDefaults& settings, QWidget* parent)
    : MonitorSection("Power", TarvelColor::accent.color(), kStorageKey, "bolt.fill", settings,
                     parent),
      power_(power),
      rows_(new QVBoxLayout) {
    rows_->setSpacing(6);
    content()->addLayout(rows_);
    QLabel* note = plainLabel(
        "Package power comes from the energy sensor when the machine has one, else it is "
        "estimated from the load.",
        TarvelType::label, TarvelColor::labelTertiary, this);
    note->setWordWrap(true);
    content()->addWidget(note);
    connect(&power_, &PowerStore::pollApplied, this, &PowerSection::refresh);
    connect(&power_, &PowerStore::wattHistoryChanged, this, &PowerSection::refresh);
    refresh();
}

QString PowerSection::summaryFor(const PowerStore& power) {
    if (!power.batteryPresent()) return fixed(power.packageWatts(), 1) + " W pkg";
    return qs(BatteryMenuChrome::levelText(power.level())) + " · " +
           fixed(power.packageWatts(), 1) + "W";
}

std::vector<PowerSection::Row> PowerSection::rowsFor(const PowerStore& power) {
    const QColor primary = TarvelColor::labelPrimary.color();
    const QColor secondary = TarvelColor::labelSecondary.color();
    std::vector<Row> rows;
    if (power.batteryPresent())
        rows.push_back({"Battery", qs(BatteryMenuChrome::levelText(power.level())),
                        TarvelColor::accent.color()});
    rows.push_back({"Status", qs(power.statusText()), primary});
    rows.push_back({"Time", qs(power.timeText()), secondary});
    rows.push_back({"Package", watts(power.packageWatts()), primary});
    // "sensor", or "sensor (N domains)" when it measures several.
    const bool sensor = power.packageSource().rfind("sensor", 0) == 0;
    rows.push_back({"Power source", sensor ? "energy sensor" : "load estimate", secondary});
    if (power.isCharging())
        rows.push_back({"Charging", watts(power.chargeWatts()), TarvelColor::nGreen.color()});
    else if (!power.isOnAC() && power.chargeWatts() > 0)
        rows.push_back({"Battery draw", watts(power.chargeWatts()), TarvelColor::nOrange.color()});
    if (power.healthPercent())
        rows.push_back({"Health", QString::number(*power.healthPercent()) + "%", primary});
    if (power.cycleCount())
        rows.push_back({"Cycles", QString::number(*power.cycleCount()), primary});
    if (power.capacityRaw() && power.designCapacity())
        rows.push_back({"Capacity",
                        QString::number(*power.capacityRaw()) + " / " +
                            QString::number(*power.designCapacity()) + " mAh",
                        secondary});
    // Machines without performance and efficiency cores report no split.
    if (power.pCoreShare() + power.eCoreShare() > 0) {
        rows.push_back({"P-cores", share(power.pCoreShare()), secondary});
        rows.push_back({"E-cores", share(power.eCoreShare()), secondary});
    }
    return rows;
}

void PowerSection::refresh() {
    setSummary(summaryFor(power_));
    // A line needs two points; until then no empty chart.
    const std::vector<double>& history = power_.wattHistory();
    setSparkline(history.size() >= 2 ? std::optional(history) : std::nullopt);
    const std::vector<Row> rows = rowsFor(power_);
    bool sameLabels = rows.size() == shown_.size();
    for (size_t i = 0; sameLabels && i < rows.size(); ++i)
        sameLabels = shown_[i]->label() == rows[i].label;
    if (!sameLabels) {
        for (MonitorRow* row : shown_) delete row;
        shown_.clear();
        for (const Row& row : rows) {
            shown_.push_back(new MonitorRow(row.label, row.value, row.color, this));
            rows_->addWidget(shown_.back());
        }
        return;
    }
    for (size_t i = 0; i < rows.size(); ++i) shown_[i]->setValue(rows[i].value, rows[i].color);
}

}  // namespace tarvel
