#include "views/popover/OriginalCards.h"

#include <QVBoxLayout>

#include "views/ViewServices.h"
#include "views/popover/EnergySection.h"
#include "views/popover/PowerSection.h"
#include "views/popover/SettingsSection.h"
#include "views/popover/WhySection.h"

namespace tarvel {

OriginalCards::OriginalCards(ViewServices& services, QWidget* parent)
    : QWidget(parent),
      power_(new PowerSection(services.power, services.settings, this)),
      energy_(new EnergySection(services.energy, services.settings, this)),
      why_(new WhySection(services.settings, this)),
      settings_(new SettingsSection(services, this)) {
    auto* column = new QVBoxLayout(this);
    column->setSpacing(10);
    for (QWidget* card : {static_cast<QWidget*>(power_), static_cast<QWidget*>(energy_),
                          static_cast<QWidget*>(why_), static_cast<QWidget*>(settings_)})
        column->addWidget(card);
    column->addStretch(1);
}

}  // namespace tarvel
