#include "views/popover/BatteryRows.h"

#include <QVBoxLayout>

#include "charge/ChargeLimitController.h"
#include "shell/panel/MenuPanelModel.h"
#include "shell/statusitem/BatteryMenuChrome.h"
#include "views/components/CardFrame.h"
#include "views/components/KivoRows.h"
#include "views/components/TarvelText.h"
#include "views/popover/OnAnyPropertyChange.h"

namespace tarvel {

namespace {

// The model shows "—" until the first estimate.
QString timeOrCalculating(const std::string& timeDetail) {
    return timeDetail == "—" ? QString("Calculating…") : qs(timeDetail);
}

}  // namespace

BatteryRows::BatteryRows(MenuPanelModel& panel, ChargeLimitController& charge, QWidget* parent)
    : QWidget(parent), panel_(panel), charge_(charge) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(5);
    level_ = new KivoRow(KivoRow::Kind::main, "Battery", "", true, this);
    time_ = new KivoRow(KivoRow::Kind::detail, "", "", false, this);
    state_ = plainLabel("", TarvelType::caption, TarvelColor::labelSecondary, this);
    appMode_ = new KivoRow(KivoRow::Kind::detail, "App Mode", "", false, this);
    separator_ = new Hairline(this);
    source_ = new KivoRow(KivoRow::Kind::detail, "Power Source", "", false, this);
    cycles_ = new KivoRow(KivoRow::Kind::detail, "Cycle Count", "", false, this);
    capacity_ = new KivoRow(KivoRow::Kind::detail, "Battery Capacity", "", false, this);
    lowPower_ = new KivoRow(KivoRow::Kind::detail, "Low Power Mode", "", false, this);
    draw_ = new KivoRow(KivoRow::Kind::detail, "Power Draw", "", false, this);
    for (QWidget* row : {static_cast<QWidget*>(level_), static_cast<QWidget*>(time_),
                         static_cast<QWidget*>(state_), static_cast<QWidget*>(appMode_)})
        column->addWidget(row);
    column->addSpacing(3);
    column->addWidget(separator_);
    column->addSpacing(3);
    for (KivoRow* row : {source_, cycles_, capacity_, lowPower_, draw_}) column->addWidget(row);
    onAnyPropertyChange(&panel_, this, "refresh()");
    onAnyPropertyChange(&charge_, this, "refresh()");
    refresh();
}

std::optional<std::pair<QString, QString>> BatteryRows::timeRow(
    const MenuPanelModel& panel, const ChargeLimitController& charge) {
    if (!panel.batteryPresent()) return std::nullopt;
    if (charge.forceDischarge()) return std::pair<QString, QString>{"Status", "Discharging"};
    if (panel.isCharging() || charge.forceFullCharge())
        return std::pair<QString, QString>{"Time to Full", timeOrCalculating(panel.timeDetail())};
    if (panel.isOnAC()) {
        if (charge.isEnabled() && charge.status() == ChargeLimitStatus::holding)
            return std::pair<QString, QString>{"Status", "Inhibiting charging"};
        return std::pair<QString, QString>{
            "Status", panel.levelPercent() > 99 ? "Fully Charged" : "On Power Adapter"};
    }
    return std::pair<QString, QString>{"Time Remaining", timeOrCalculating(panel.timeDetail())};
}

QString BatteryRows::stateLine(const MenuPanelModel& panel) {
    if (!panel.batteryPresent()) return "Desktop · AC only";
    if (panel.lowPower()) return "Low Power Mode";
    if (panel.isCharging()) return "Charging";
    if (panel.isOnAC()) return panel.levelPercent() < 100 ? "Connected to Power" : "Fully Charged";
    return "Discharging";
}

void BatteryRows::refresh() {
    const bool battery = panel_.batteryPresent();
    level_->setValue(battery ? qs(BatteryMenuChrome::levelText(panel_.level())) : "—");

    const auto time = timeRow(panel_, charge_);
    time_->setVisible(time.has_value());
    if (time) {
        time_->setLabel(time->first);
        time_->setValue(time->second);
    }

    // A managed battery says what the charger is told to do; otherwise (and where the charger
    // cannot be controlled) what it is doing.
    const bool managed =
        battery && charge_.isEnabled() && charge_.status() != ChargeLimitStatus::unsupported;
    appMode_->setVisible(managed);
    appMode_->setValue(qs(charge_.appModeLabel()));
    state_->setVisible(!managed);
    state_->setText(stateLine(panel_));

    source_->setValue(qs(panel_.powerSource()));
    cycles_->setVisible(panel_.cycleCount().has_value());
    if (panel_.cycleCount()) cycles_->setValue(QString::number(*panel_.cycleCount()));
    capacity_->setVisible(panel_.healthPercent().has_value());
    if (panel_.healthPercent()) capacity_->setValue(QString::number(*panel_.healthPercent()) + "%");
    lowPower_->setValue(panel_.lowPower() ? "On" : "Off");
    draw_->setVisible(panel_.packageWatts() > 0.05);
    draw_->setValue(fixed(panel_.packageWatts(), 1) + " W");
}

}  // namespace tarvel
