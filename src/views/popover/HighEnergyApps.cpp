#include "views/popover/HighEnergyApps.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "drain/ProcessEnergyStore.h"
#include "shell/panel/EnergyLabel.h"
#include "shell/panel/MenuPanelModel.h"
#include "views/ViewServices.h"
#include "views/components/KivoRows.h"
#include "views/components/TarvelText.h"
#include "views/symbols/TarvelSymbol.h"

namespace tarvel {

namespace {

constexpr int kIconSize = 16;

}  // namespace

ElidedNameLabel::ElidedNameLabel(const QString& text, QWidget* parent, Qt::TextElideMode mode)
    : QLabel(parent), full_(text), mode_(mode) {
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setText(text);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

QSize ElidedNameLabel::minimumSizeHint() const {
    return {0, QLabel::minimumSizeHint().height()};
}

void ElidedNameLabel::resizeEvent(QResizeEvent* event) {
    setText(fontMetrics().elidedText(full_, mode_, width()));
    QLabel::resizeEvent(event);
}

HighEnergyApps::HighEnergyApps(ViewServices& services, QWidget* parent)
    : QWidget(parent), services_(services) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->addWidget(kivoSectionTitle("High Energy Usage", this));
    rows_ = new QVBoxLayout;
    rows_->setSpacing(6);
    column->addLayout(rows_);
    connect(&services_.panel, &MenuPanelModel::topAppsChanged, this, &HighEnergyApps::refresh);
    connect(&services_.energy, &ProcessEnergyStore::sampleFinished, this, &HighEnergyApps::refresh);
    refresh();
}

void HighEnergyApps::refresh() {
    const std::vector<ProcEnergy>& top = services_.panel.topApps();
    std::vector<ProcEnergy> apps(top.begin(), top.begin() + std::min<size_t>(top.size(), kMaxApps));
    // The model copies the store's list on its own tick: until it has, the store may know more.
    QString placeholder;
    if (apps.empty())
        placeholder =
            services_.energy.hasSampled() && services_.energy.top().empty() ? "None" : "Loading…";
    if (built_ && apps == shown_ && placeholder == shownPlaceholder_) return;
    built_ = true;
    shown_ = apps;
    shownPlaceholder_ = placeholder;
    clearRows();
    if (apps.empty()) {
        rows_->addWidget(
            plainLabel(placeholder, TarvelType::caption, TarvelColor::labelTertiary, this));
        return;
    }
    for (const ProcEnergy& app : apps) rows_->addWidget(appRow(app));
}

QWidget* HighEnergyApps::appRow(const ProcEnergy& app) {
    auto* row = new QWidget(this);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    auto* icon = new QLabel(row);
    icon->setFixedSize(kIconSize, kIconSize);
    QIcon appIcon = services_.actions.appIcon ? services_.actions.appIcon(app) : QIcon();
    icon->setPixmap(appIcon.isNull()
                        ? TarvelSymbol::pixmap("app", TarvelColor::labelSecondary.color(),
                                               kIconSize, devicePixelRatioF())
                        : appIcon.pixmap(kIconSize, kIconSize));
    auto* name = new ElidedNameLabel(qs(app.name), row);
    name->setFont(tarvelFont(TarvelType::body));
    setTextColor(name, TarvelColor::labelPrimary.color());
    const std::string gpu = gpuUsageText(app);
    QLabel* energy =
        plainLabel(qs(kivoEnergyLabel(app.cpuPercent) + (gpu.empty() ? "" : " · " + gpu)),
                   TarvelType::caption, TarvelColor::labelSecondary, row);
    line->addWidget(icon);
    line->addWidget(name, 1);
    line->addWidget(energy);
    return row;
}

void HighEnergyApps::clearRows() {
    while (QLayoutItem* item = rows_->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
}

}  // namespace tarvel
