#include "views/preferences/ChargingPane.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "charge/ChargeLimitController.h"
#include "charge/ChargeTexts.h"
#include "views/components/CardFrame.h"
#include "views/components/Controls.h"
#include "views/components/TarvelText.h"

namespace tarvel {

namespace {
constexpr int kMinLimit = 50, kMaxLimit = 100;
}

ChargingPane::ChargingPane(ChargeLimitController& charge, QWidget* parent)
    : PreferencesPane("Charging",
                      "Hold a limit, charge to 100%, or force discharge while plugged in.", parent),
      charge_(charge),
      manage_(new LabeledSwitch(
          "Manage charging", "Hold a user-chosen limit on AC instead of always charging to 100%.",
          this)),
      limitLabel_(plainLabel({}, TarvelType::body, TarvelColor::labelPrimary, this)),
      limit_(new CommitSlider(kMinLimit, kMaxLimit, this)),
      chargeToFull_(tarvelButton("Charge to 100%", ButtonKind::prominent, this)),
      discharge_(tarvelButton("Discharge", ButtonKind::plain, this)),
      stopOverride_(tarvelButton("Stop override", ButtonKind::plain, this)),
      appMode_(plainLabel({}, TarvelType::body, TarvelColor::labelPrimary, this, QFont::DemiBold)),
      detail_(plainLabel({}, TarvelType::caption, TarvelColor::labelSecondary, this)),
      lastError_(plainLabel({}, TarvelType::caption, TarvelColor::nOrange, this)),
      backend_(plainLabel({}, TarvelType::caption, TarvelColor::labelTertiary, this)),
      noDischarge_(plainLabel({}, TarvelType::caption, TarvelColor::labelSecondary, this)) {
    QVBoxLayout* limitCard = addCard();
    limitCard->addWidget(manage_);
    limitCard->addWidget(new Hairline(this));
    limitCard->addWidget(limitLabel_);
    limitCard->addWidget(limit_);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addWidget(chargeToFull_);
    buttons->addWidget(discharge_);
    buttons->addWidget(stopOverride_);
    buttons->addStretch(1);
    limitCard->addLayout(buttons);
    noDischarge_->setWordWrap(true);
    limitCard->addWidget(noDischarge_);

    QVBoxLayout* statusCard = addCard();
    statusCard->setSpacing(4);
    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(preferencesCaption("App mode", this));
    modeRow->addStretch(1);
    modeRow->addWidget(appMode_);
    statusCard->addLayout(modeRow);
    for (QLabel* label : {detail_, lastError_, backend_}) {
        label->setWordWrap(true);
        statusCard->addWidget(label);
    }
    statusCard->addSpacing(6);
    QPushButton* turnOff = tarvelButton("Turn off charge management", ButtonKind::plain, this);
    auto* turnOffRow = new QHBoxLayout;
    turnOffRow->addWidget(turnOff);
    turnOffRow->addStretch(1);
    statusCard->addLayout(turnOffRow);

    addFootnote(charge_texts::kFootnote);

    connect(manage_, &LabeledSwitch::flipped, this, [this](bool on) { charge_.setIsEnabled(on); });
    // The label follows the thumb; the controller hears only the value let go at.
    connect(limit_, &CommitSlider::moved, this, &ChargingPane::showLimit);
    connect(limit_, &CommitSlider::committed, this,
            [this](int percent) { charge_.setLimitPercent(percent); });
    connect(chargeToFull_, &QPushButton::clicked, this, [this] { charge_.chargeToFullNow(); });
    connect(discharge_, &QPushButton::clicked, this, [this] { charge_.dischargeBattery(); });
    connect(stopOverride_, &QPushButton::clicked, this, [this] { charge_.stopOverride(); });
    connect(turnOff, &QPushButton::clicked, this, [this] { charge_.disableAll(); });

    for (auto signal :
         {&ChargeLimitController::isEnabledChanged, &ChargeLimitController::limitPercentChanged,
          &ChargeLimitController::forceFullChargeChanged,
          &ChargeLimitController::forceDischargeChanged, &ChargeLimitController::statusChanged,
          &ChargeLimitController::detailChanged, &ChargeLimitController::backendNameChanged,
          &ChargeLimitController::lastErrorChanged, &ChargeLimitController::modeDescriptionChanged})
        connect(&charge_, signal, this, &ChargingPane::reload);
    reload();
}

void ChargingPane::showLimit(int percent) {
    const auto firmware = charge_.firmwareLevel();
    if (firmware && firmware->fixed)
        limitLabel_->setText(
            firmware->percent
                ? QString("Charge limit %1% — set by the firmware").arg(*firmware->percent)
                : QString("Charge limit — set by the firmware, ") +
                      charge_texts::kFirmwareOwnLevel);
    else if (firmware)
        limitLabel_->setText(QString("Charge limit %1% — the firmware holds %2%")
                                 .arg(percent)
                                 .arg(*firmware->percent));
    else
        limitLabel_->setText(QString("Charge limit %1%").arg(percent));
}

void ChargingPane::reload() {
    const bool managing = charge_.isEnabled();
    manage_->setChecked(managing);
    // A thumb being dragged keeps what the user is choosing.
    const auto firmware = charge_.firmwareLevel();
    const bool fixed = firmware && firmware->fixed;
    if (!limit_->isSliderDown()) {
        // Whole points, as the controller holds them.
        const int whole = charge_.heldLimit();
        limit_->showValue(whole);
        showLimit(whole);
    }
    // A firmware that holds its own level takes no other: the slider would only pretend.
    limit_->setVisible(!fixed);
    limit_->setEnabled(managing);
    chargeToFull_->setEnabled(managing);
    const auto whyNoDischarge = charge_.whyNoDischarge();
    discharge_->setEnabled(managing && !whyNoDischarge);
    discharge_->setToolTip(qs(whyNoDischarge.value_or("")));
    noDischarge_->setText(qs(whyNoDischarge.value_or("")));
    noDischarge_->setVisible(whyNoDischarge.has_value());
    stopOverride_->setEnabled(managing && (charge_.forceFullCharge() || charge_.forceDischarge()));
    appMode_->setText(qs(charge_.appModeLabel()));
    detail_->setText(qs(charge_.detail()));
    detail_->setVisible(!charge_.detail().empty());
    const std::string error = charge_.lastError().value_or(std::string());
    lastError_->setText(qs(error));
    lastError_->setVisible(!error.empty());
    // Which battery attribute holds the limit on this machine, beside the backend's name.
    const std::string detail = charge_.backendDetail();
    backend_->setText("Backend: " + qs(charge_.backendName()) +
                      (detail.empty() ? QString() : " — " + qs(detail)));
}

}  // namespace tarvel
