#include "views/popover/ChargeControlRows.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "charge/ChargeLimitController.h"
#include "views/components/Controls.h"
#include "views/components/KivoRows.h"
#include "views/components/TarvelText.h"
#include "views/popover/OnAnyPropertyChange.h"

namespace tarvel {

namespace {

QString percent(int value) {
    return QString::number(value) + "%";
}

}  // namespace

ChargeControlRows::ChargeControlRows(ChargeLimitController& charge, QWidget* parent)
    : QWidget(parent), charge_(charge) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    manage_ = new LabeledSwitch("Manage charging", {}, this);
    connect(manage_, &LabeledSwitch::flipped, this, [this](bool on) { charge_.setIsEnabled(on); });
    column->addWidget(manage_);

    managed_ = new QWidget(this);
    auto* inner = new QVBoxLayout(managed_);
    inner->setContentsMargins(0, 0, 0, 0);
    inner->setSpacing(6);
    limit_ = new KivoRow(KivoRow::Kind::detail, "Charge limit", "", true, managed_);
    slider_ = new CommitSlider(50, 100, managed_);
    slider_->setAccessibleName("Charge limit");
    connect(slider_, &CommitSlider::moved, this,
            [this](int value) { limit_->setValue(percent(value)); });
    connect(slider_, &CommitSlider::committed, this,
            [this](int value) { charge_.setLimitPercent(value); });
    detail_ = plainLabel("", TarvelType::micro, TarvelColor::labelSecondary, managed_);
    detail_->setWordWrap(true);
    error_ = plainLabel("", TarvelType::micro, TarvelColor::nOrange, managed_);
    error_->setWordWrap(true);

    overrides_ = new QWidget(managed_);
    auto* pair = new QHBoxLayout(overrides_);
    pair->setContentsMargins(0, 2, 0, 0);
    pair->setSpacing(8);
    QPushButton* full = tarvelButton("Charge to 100%", ButtonKind::plain, overrides_);
    discharge_ = tarvelButton("Discharge battery", ButtonKind::plain, overrides_);
    QPushButton* discharge = discharge_;
    connect(full, &QPushButton::clicked, this, [this] { charge_.chargeToFullNow(); });
    connect(discharge, &QPushButton::clicked, this, [this] { charge_.dischargeBattery(); });
    // Two buttons share the popover's width: tighter padding than a lone button.
    for (QPushButton* button : {full, discharge})
        button->setStyleSheet(button->styleSheet() + "QPushButton{padding:5px 6px;}");
    pair->addWidget(full, 1);
    pair->addWidget(discharge, 1);
    noDischarge_ = plainLabel("", TarvelType::micro, TarvelColor::labelSecondary, managed_);
    noDischarge_->setWordWrap(true);
    stop_ = tarvelButton("Stop override", ButtonKind::plain, managed_);
    connect(stop_, &QPushButton::clicked, this, [this] { charge_.stopOverride(); });

    for (QWidget* w : {static_cast<QWidget*>(limit_), static_cast<QWidget*>(slider_),
                       static_cast<QWidget*>(detail_), static_cast<QWidget*>(error_), overrides_,
                       static_cast<QWidget*>(noDischarge_), static_cast<QWidget*>(stop_)})
        inner->addWidget(w);
    column->addWidget(managed_);

    onAnyPropertyChange(&charge_, this, "refresh()");
    refresh();
}

void ChargeControlRows::refresh() {
    const bool on = charge_.isEnabled();
    manage_->setChecked(on);
    managed_->setVisible(on);
    const int limit = charge_.heldLimit();
    const auto firmware = charge_.firmwareLevel();
    const bool fixed = firmware && firmware->fixed;
    // A held thumb shows where the user is, not the stored limit.
    if (!slider_->isSliderDown()) {
        slider_->showValue(limit);
        limit_->setValue(fixed && !firmware->percent ? QString("firmware’s")
                         : fixed                     ? percent(limit) + " (firmware)"
                                                     : percent(limit));
    }
    slider_->setVisible(!fixed);
    detail_->setText(qs(charge_.detail()));
    detail_->setVisible(!charge_.detail().empty());
    error_->setVisible(charge_.lastError().has_value());
    error_->setText(qs(charge_.lastError().value_or("")));
    const bool overriding = charge_.forceFullCharge() || charge_.forceDischarge();
    overrides_->setVisible(!overriding);
    const auto whyNoDischarge = charge_.whyNoDischarge();
    discharge_->setEnabled(!whyNoDischarge);
    noDischarge_->setText(qs(whyNoDischarge.value_or("")));
    noDischarge_->setVisible(!overriding && whyNoDischarge.has_value());
    stop_->setVisible(overriding);
}

}  // namespace tarvel
