#include "views/preferences/AlertsPane.h"

#include <QLabel>
#include <QVBoxLayout>

#include "drain/DrainAlertMonitor.h"
#include "shell/statusitem/BatteryMenuChrome.h"
#include "views/ViewServices.h"
#include "views/components/CardFrame.h"
#include "views/components/Controls.h"
#include "views/components/TarvelText.h"

namespace tarvel {

namespace {
constexpr int kMinCritical = 5, kMaxCritical = 50;
}

AlertsPane::AlertsPane(ViewServices& services, QWidget* parent)
    : PreferencesPane("Alerts", "Local notifications only — nothing leaves this computer.", parent),
      services_(services),
      drainAlerts_(new LabeledSwitch(
          "Warn on fast drain", "Notify when battery drops quickly over a short window.", this)),
      criticalLabel_(plainLabel({}, TarvelType::body, TarvelColor::labelPrimary, this)),
      critical_(new CommitSlider(kMinCritical, kMaxCritical, this)) {
    QVBoxLayout* drainCard = addCard();
    drainCard->addWidget(drainAlerts_);

    QVBoxLayout* criticalCard = addCard();
    criticalCard->addWidget(criticalLabel_);
    criticalCard->addWidget(critical_);
    criticalCard->addWidget(
        preferencesNote("Menu bar icon and full window use this threshold for the red critical "
                        "state.",
                        this));

    // Desktop notifications need no permission here: storing the flag is all there is.
    connect(drainAlerts_, &LabeledSwitch::flipped, this,
            [this](bool on) { services_.drainAlerts.setEnabled(on); });
    connect(&services_.drainAlerts, &DrainAlertMonitor::isEnabledChanged, this,
            [this] { drainAlerts_->setChecked(services_.drainAlerts.isEnabled()); });
    connect(critical_, &CommitSlider::moved, this, &AlertsPane::showCritical);
    connect(critical_, &CommitSlider::committed, this, [this](int percent) {
        BatteryMenuChrome::setCriticalBatteryPercent(services_.settings, percent);
    });
    reload();
}

void AlertsPane::showCritical(int percent) {
    criticalLabel_->setText(QString("Critical battery at %1%").arg(percent));
}

void AlertsPane::reload() {
    drainAlerts_->setChecked(services_.drainAlerts.isEnabled());
    if (critical_->isSliderDown()) return;
    const int percent = BatteryMenuChrome::criticalBatteryPercent(services_.settings);
    critical_->showValue(percent);
    showCritical(percent);
}

}  // namespace tarvel
