#include "views/dashboard/DashboardHeader.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "shell/statusitem/BatteryMenuChrome.h"
#include "shell/statusitem/BatterySymbolPainter.h"
#include "telemetry/PowerStore.h"
#include "views/TarvelCopy.h"
#include "views/TarvelTheme.h"
#include "views/components/TarvelText.h"
#include "views/dashboard/DashboardTexts.h"
#include "views/symbols/TarvelSymbol.h"

namespace tarvel {

namespace {

constexpr int kChipPadH = 7;
constexpr int kChipPadV = 3;
constexpr int kSymbolHeight = 16;

QColor chipColor(const std::string& chip) {
    if (chip == "Draining fast") return TarvelColor::nOrange.color();
    if (chip == "Charging" || chip == "Full") return TarvelColor::nGreen.color();
    return TarvelColor::labelSecondary.color();
}

// The status item's symbol, filled with `color` (the painter draws it in black).
QPixmap tintedBattery(const std::string& name, const QColor& color, qreal dpr) {
    const QSizeF natural = batterySymbolNaturalSize(name);
    const QSizeF size(natural.width() * kSymbolHeight / natural.height(), kSymbolHeight);
    QPixmap pixmap((size * dpr).toSize());
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    paintBatterySymbol(p, QRectF(QPointF(0, 0), size), name);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(QRectF(QPointF(0, 0), size), color);
    return pixmap;
}

}  // namespace

StatusChip::StatusChip(QWidget* parent) : QWidget(parent) {
    setFont(tarvelFont(TarvelType::label, QFont::Medium));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void StatusChip::setChip(const QString& text, const QColor& color) {
    if (text == text_ && color == color_) return;
    text_ = text;
    color_ = color;
    updateGeometry();
    update();
}

QSize StatusChip::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text_) + 2 * kChipPadH, metrics.height() + 2 * kChipPadV};
}

void StatusChip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = color_;
    fill.setAlphaF(color_.alphaF() * 0.15f);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    const QRectF box = QRectF(rect());
    p.drawRoundedRect(box, box.height() / 2, box.height() / 2);
    p.setPen(color_);
    p.setFont(font());
    p.drawText(box, Qt::AlignCenter, text_);
}

LayoutButton::LayoutButton(QWidget* parent) : QAbstractButton(parent) {
    setFixedSize(32, 32);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void LayoutButton::setRaised(bool raised) {
    raised_ = raised;
    update();
}

void LayoutButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(TarvelColor::border.color(), 0.5));
    p.setBrush((raised_ || isDown() ? TarvelColor::cardElevated : TarvelColor::card).color());
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    TarvelSymbol::paint(p, QRectF(8, 8, 16, 16), "slider.horizontal.3",
                        TarvelColor::labelPrimary.color());
}

FauxMenuBar::FauxMenuBar(QWidget* parent)
    : CardFrame(parent, 8),
      symbolView_(new QLabel(this)),
      watts_(plainLabel("", TarvelType::caption, TarvelColor::labelPrimary, this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 5, 12, 5);
    row->setSpacing(6);
    row->addStretch(1);
    row->addWidget(symbolView_);
    row->addWidget(watts_);
}

void FauxMenuBar::refresh(const PowerStore& power) {
    const std::string symbol = BatteryMenuChrome::batterySymbol(
        power.level(), power.isCharging(), power.isOnAC(), power.batteryPresent());
    if (symbol != symbol_ || symbolView_->pixmap().isNull()) {
        symbol_ = symbol;
        symbolView_->setPixmap(
            tintedBattery(symbol, TarvelColor::nGreen.color(), devicePixelRatioF()));
    }
    watts_->setText(fixed(power.packageWatts(), 1) + " W");
}

QString FauxMenuBar::wattsText() const {
    return watts_->text();
}

DashboardHeader::DashboardHeader(QWidget* parent)
    : QWidget(parent),
      chip_(new StatusChip(this)),
      summary_(plainLabel("", TarvelType::micro, TarvelColor::labelSecondary, this)),
      layout_(new LayoutButton(this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(8);
    titleRow->addWidget(plainLabel(QString::fromUtf8("Tarvel — Battery"), TarvelType::title,
                                   TarvelColor::labelPrimary, this, QFont::DemiBold));
    titleRow->addWidget(chip_, 0, Qt::AlignVCenter);
    titleRow->addStretch(1);
    texts->addLayout(titleRow);
    texts->addWidget(summary_);
    row->addLayout(texts, 1);
    row->addWidget(layout_, 0, Qt::AlignVCenter);

    layout_->setToolTip("Layout (Ctrl+,)");
    layout_->setAccessibleName("Layout options");
}

void DashboardHeader::refresh(const PowerStore& power, int dropPercent) {
    const std::string chip = TarvelCopy::statusChip(power, dropPercent);
    chip_->setChip(QString::fromStdString(chip), chipColor(chip));
    summary_->setText(DashboardTexts::batterySummary(power));
}

QString DashboardHeader::summary() const {
    return summary_->text();
}

}  // namespace tarvel
