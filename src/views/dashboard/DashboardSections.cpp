#include "views/dashboard/DashboardSections.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "charge/ChargeLimitController.h"
#include "shell/panel/EnergyLabel.h"
#include "telemetry/PowerStore.h"
#include "views/TarvelCopy.h"
#include "views/components/Controls.h"
#include "views/components/MonitorRow.h"
#include "views/components/PowerDistributionView.h"
#include "views/components/TarvelText.h"
#include "views/dashboard/DashboardTexts.h"
#include "views/prefs/DashboardPrefs.h"
#include "views/symbols/TarvelSymbol.h"

namespace tarvel {

namespace {

QColor primary() {
    return TarvelColor::labelPrimary.color();
}
QColor secondary() {
    return TarvelColor::labelSecondary.color();
}
QColor tertiary() {
    return TarvelColor::labelTertiary.color();
}

QString watts(double value) {
    return fixed(value, 1) + " W";
}

}  // namespace

RowList::RowList(QWidget* parent) : QWidget(parent), column_(new QVBoxLayout(this)) {
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(6);
}

void RowList::setRows(const std::vector<RowSpec>& rows) {
    bool sameLabels = rows.size() == rows_.size();
    for (std::size_t i = 0; sameLabels && i < rows.size(); ++i)
        sameLabels = rows_[i]->label() == rows[i].label;
    if (!sameLabels) {
        for (MonitorRow* row : rows_) delete row;
        rows_.clear();
        for (const RowSpec& wanted : rows) {
            auto* row = new MonitorRow(wanted.label, wanted.value, wanted.color, this);
            column_->addWidget(row);
            row->show();  // added after the list was shown
            rows_.push_back(row);
        }
    } else {
        for (std::size_t i = 0; i < rows.size(); ++i)
            rows_[i]->setValue(rows[i].value, rows[i].color);
    }
    setVisible(!rows_.empty());
}

bool DashboardPowerSection::wanted(const DashboardPrefs& prefs) {
    return prefs.showPowerSource || prefs.showHealth || prefs.showSparkline;
}

DashboardPowerSection::DashboardPowerSection(const DashboardPrefs& prefs, UserDefaults& settings,
                                             QWidget* parent)
    : MonitorSection("Power", TarvelColor::nGreen.color(), "tarvelpro.dash.section.power",
                     "bolt.fill", settings, parent),
      prefs_(prefs),
      sourceRows_(new RowList(this)),
      distribution_(new PowerDistributionView(false, this)),
      flowRows_(new RowList(this)) {
    setRadius(prefs.cornerRadius);
    content()->addWidget(sourceRows_);
    content()->addWidget(distribution_);
    content()->addWidget(flowRows_);
    distribution_->hide();
}

void DashboardPowerSection::refresh(const PowerStore& power, const ChargeLimitController& charge) {
    setSummary(DashboardTexts::batterySummary(power));
    // A line needs two points; until then the card shows no empty chart.
    if (prefs_.showSparkline && power.wattHistorySpark().size() >= 2)
        setSparkline(power.wattHistorySpark());
    else
        setSparkline(std::nullopt);

    std::vector<RowSpec> sources;
    if (prefs_.showPowerSource) {
        sources.push_back({"Source", qs(power.batterySourcesUsed()), primary()});
        sources.push_back({TarvelCopy::powerDraw, watts(power.packageWatts()), primary()});
        sources.push_back({"Power sensor", qs(power.packageSource()), tertiary()});
        if (charge.isEnabled())
            sources.push_back(
                {"Charge limit", QString::number(qRound(charge.limitPercent())) + "%", primary()});
        else
            sources.push_back({"App mode", qs(charge.appModeLabel()), secondary()});
    }
    sourceRows_->setRows(sources);

    const bool distribution = prefs_.showPowerDistribution && power.hasPowerDistribution();
    distribution_->setVisible(distribution);
    if (distribution)
        distribution_->setWatts(power.cpuDomainWatts(), power.gpuDomainWatts(),
                                power.aneDomainWatts(), power.dramDomainWatts(),
                                power.otherDomainWatts(), power.packageWatts(),
                                power.powerDomains());

    std::vector<RowSpec> flow;
    if (power.isCharging()) {
        flow.push_back({"Battery feeds", watts(power.chargeWatts()), TarvelColor::nGreen.color()});
    } else if (!power.isOnAC() && power.chargeWatts() > 0.05) {
        QString draw = watts(power.chargeWatts());
        if (power.minutesIsLiveEstimate()) draw += " · draw";
        flow.push_back({"Battery feeds", draw, TarvelColor::nOrange.color()});
        flow.push_back({"Time left", qs(power.timeText()), secondary()});
    }
    if (prefs_.showHealth) {
        if (const auto health = power.healthPercent())
            flow.push_back({"Health", QString::number(*health) + "%", primary()});
        if (const auto cycles = power.cycleCount())
            flow.push_back({"Cycles", QString::number(*cycles), primary()});
    }
    flowRows_->setRows(flow);
}

DashboardEnergySection::DashboardEnergySection(std::function<bool()> openSettings,
                                               UserDefaults& settings, QWidget* parent)
    : MonitorSection("Energy Mode", TarvelColor::nBlueish.color(),
                     "tarvelpro.dash.section.energyMode", "leaf", settings, parent),
      row_(new MonitorRow("Low Power", "Off", secondary(), this)) {
    content()->addWidget(row_);
    QPushButton* open =
        tarvelButton(QString::fromUtf8("Open Battery Settings…"), ButtonKind::plain, this);
    open->setIcon(
        QIcon(TarvelSymbol::pixmap("arrow.up.right", primary(), 12, devicePixelRatioF())));
    open->setIconSize(QSize(12, 12));
    open->setLayoutDirection(Qt::RightToLeft);  // the arrow after the title
    connect(open, &QPushButton::clicked, this, [openSettings] {
        if (openSettings) openSettings();
    });
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(open);
    buttonRow->addStretch(1);
    content()->addLayout(buttonRow);
    setLowPower(false);
}

void DashboardEnergySection::setLowPower(bool on) {
    setIcon(on ? "leaf.fill" : "leaf");
    setSummary(on ? "Low Power On" : "Low Power Off");
    row_->setValue(on ? "On" : "Off", on ? TarvelColor::nGreen.color() : secondary());
}

DashboardAppsSection::DashboardAppsSection(bool fullList, UserDefaults& settings, QWidget* parent)
    : MonitorSection(TarvelCopy::whatsUsingPower, TarvelColor::nOrange.color(),
                     "tarvelpro.dash.section.apps", "cpu", settings, parent),
      fullList_(fullList) {}

void DashboardAppsSection::setApps(const std::vector<ProcEnergy>& top) {
    setSummary(DashboardTexts::appsSummary(top));
    std::vector<QStringList> rows;
    for (const ProcEnergy& app : top) {
        const std::string gpu = gpuUsageText(app);
        rows.push_back({qs(app.name),
                        fixed(app.cpuPercent, 0) + "%" + (gpu.empty() ? "" : " · " + qs(gpu)),
                        qs(energyLabel(app.cpuPercent, app.estimatedWatts))});
        if (!fullList_) break;
    }
    if (shown_ == rows) return;
    shown_ = rows;
    // The list changed: its rows are built again (the stores publish only changes).
    delete list_;
    list_ = new QWidget(this);
    auto* column = new QVBoxLayout(list_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    content()->addWidget(list_);
    list_->show();
    if (rows.empty())
        column->addWidget(
            plainLabel(TarvelCopy::nothingHeavy, TarvelType::caption, tertiary(), list_));
    for (const QStringList& texts : rows) {
        auto* row = new QHBoxLayout;
        row->setSpacing(8);
        QLabel* name = plainLabel(texts[0], TarvelType::caption, primary(), list_);
        name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        row->addWidget(name, 1);
        row->addWidget(plainLabel(texts[1], TarvelType::caption, tertiary(), list_));
        QLabel* label = plainLabel(texts[2], TarvelType::caption, secondary(), list_);
        label->setMinimumWidth(64);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        row->addWidget(label);
        column->addLayout(row);
    }
}

DashboardWhySection::DashboardWhySection(bool detail, UserDefaults& settings, QWidget* parent)
    : MonitorSection(TarvelCopy::whyBatteryDropped, TarvelColor::nPurple.color(),
                     "tarvelpro.dash.section.why", "questionmark.circle", settings, parent),
      detail_(detail),
      text_(plainLabel("", TarvelType::caption, secondary(), this)),
      rows_(new RowList(this)),
      notEnough_(plainLabel("Not enough local history", TarvelType::micro, tertiary(), this)),
      refresh_(tarvelButton("Refresh analysis", ButtonKind::minimal, this)) {
    text_->setWordWrap(true);
    content()->addWidget(text_);
    content()->addWidget(rows_);
    content()->addWidget(notEnough_);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(refresh_);
    buttonRow->addStretch(1);
    content()->addLayout(buttonRow);
    connect(refresh_, &QPushButton::clicked, this, &DashboardWhySection::refreshRequested);
    setWhy(std::nullopt);
}

void DashboardWhySection::setWhy(const std::optional<WhyDrain>& why) {
    const WhyDrain shown = why.value_or(WhyDrain{});
    setSummary(DashboardTexts::whySummary(shown.dropPercent));
    text_->setText(why ? qs(shown.summary) : QString::fromUtf8("Analysing the last hour…"));
    const bool noHistory = why && shown.summary == why_texts::kNoHistory;
    notEnough_->setVisible(noHistory);

    std::vector<RowSpec> rows;
    const QString window =
        qs(shown.windowLabel.empty() ? why_texts::kWindowLabel : shown.windowLabel);
    rows.push_back({"Drop", QString::number(shown.dropPercent) + "% · " + window, primary()});
    if (detail_)
        for (const WhyDrain::Culprit& culprit : shown.culprits) {
            QString value = QString::number(qRound(culprit.share * 100)) + "%";
            if (!culprit.note.empty()) value += " · " + qs(culprit.note);
            rows.push_back({qs(culprit.name), value, secondary()});
        }
    rows_->setRows(rows);
}

}  // namespace tarvel
