#include "views/popover/NewerList.h"

#include <QEvent>
#include <QVBoxLayout>

#include "shell/panel/MenuPanelModel.h"
#include "views/ViewServices.h"
#include "views/components/CardFrame.h"
#include "views/components/PowerDistributionView.h"
#include "views/popover/BatteryRows.h"
#include "views/popover/ChargeControlRows.h"
#include "views/popover/HighEnergyApps.h"
#include "views/popover/PopoverMenuActions.h"

namespace tarvel {

namespace {

const char* kSeparatorOf = "tarvelSeparator";

}  // namespace

NewerList::NewerList(ViewServices& services, QObject* context, QWidget* parent)
    : QWidget(parent), services_(services) {
    auto* column = new QVBoxLayout(this);
    column->setSpacing(10);
    const auto separator = [&] {
        auto* line = new Hairline(this);
        column->addWidget(line);
        return line;
    };
    column->addWidget(new BatteryRows(services.panel, services.charge, this));
    separator();
    column->addWidget(new ChargeControlRows(services.charge, this));
    distributionSeparator_ = separator();
    distribution_ = new PowerDistributionView(true, this);
    column->addWidget(distribution_);
    weatherSlot_ = addSlot("weatherSlot", services.assistant.weatherSection);
    chatSlot_ = addSlot("chatSlot", services.assistant.chatSection);
    separator();
    column->addWidget(new HighEnergyApps(services, this));
    separator();
    column->addWidget(new PopoverMenuActions(services, context, this));

    MenuPanelModel& panel = services.panel;
    for (auto changed :
         {&MenuPanelModel::hasPowerDistributionChanged, &MenuPanelModel::packageWattsChanged,
          &MenuPanelModel::cpuDomainWattsChanged, &MenuPanelModel::gpuDomainWattsChanged,
          &MenuPanelModel::aneDomainWattsChanged, &MenuPanelModel::dramDomainWattsChanged,
          &MenuPanelModel::otherDomainWattsChanged})
        connect(&panel, changed, this, &NewerList::refreshDistribution);
    refreshDistribution();
}

QWidget* NewerList::addSlot(const char* name, const std::function<QWidget*(QWidget*)>& content) {
    auto* column = static_cast<QVBoxLayout*>(layout());
    auto* line = new Hairline(this);
    auto* slot = new QWidget(this);
    slot->setObjectName(name);
    slot->setProperty(kSeparatorOf, QVariant::fromValue<QObject*>(line));
    column->addWidget(line);
    column->addWidget(slot);
    line->hide();
    slot->hide();
    slot->installEventFilter(this);
    if (content) {
        auto* inside = new QVBoxLayout(slot);
        inside->setContentsMargins(0, 0, 0, 0);
        inside->addWidget(content(slot));
        line->show();
        slot->show();
    }
    return slot;
}

bool NewerList::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) {
        if (auto* line = qobject_cast<QWidget*>(watched->property(kSeparatorOf).value<QObject*>()))
            line->setVisible(event->type() == QEvent::ShowToParent);
    }
    return QWidget::eventFilter(watched, event);
}

void NewerList::refreshDistribution() {
    const MenuPanelModel& panel = services_.panel;
    const bool shown = panel.hasPowerDistribution() && panel.packageWatts() > 0.05;
    distribution_->setVisible(shown);
    distributionSeparator_->setVisible(shown);
    if (shown)
        distribution_->setWatts(panel.cpuDomainWatts(), panel.gpuDomainWatts(),
                                panel.aneDomainWatts(), panel.dramDomainWatts(),
                                panel.otherDomainWatts(), panel.packageWatts(),
                                panel.powerDomains());
}

}  // namespace tarvel
