#include "views/components/KivoRows.h"

#include <QHBoxLayout>
#include <QPainter>

#include "views/components/TarvelText.h"
#include "views/symbols/TarvelSymbol.h"

namespace tarvel {

QLabel* kivoSectionTitle(const QString& title, QWidget* parent) {
    return plainLabel(title, TarvelType::caption, TarvelColor::labelSecondary, parent,
                      QFont::DemiBold);
}

KivoRow::KivoRow(Kind kind, const QString& label, const QString& value, bool emphasizeValue,
                 QWidget* parent)
    : QWidget(parent) {
    const bool main = kind == Kind::main;
    label_ = plainLabel(label, main ? TarvelType::body : TarvelType::caption,
                        main ? TarvelColor::labelPrimary : TarvelColor::labelSecondary, this,
                        main ? QFont::DemiBold : QFont::Normal);
    value_ = plainLabel(value, main ? TarvelType::body : TarvelType::caption,
                        emphasizeValue || main ? TarvelColor::labelPrimary
                                               : TarvelColor::labelSecondary,
                        this, emphasizeValue ? QFont::DemiBold : QFont::Normal);
    value_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(label_);
    row->addStretch(1);
    row->addWidget(value_);
}

void KivoRow::setLabel(const QString& label) {
    label_->setText(label);
}

void KivoRow::setValue(const QString& value) {
    value_->setText(value);
}

QString KivoRow::label() const {
    return label_->text();
}

QString KivoRow::value() const {
    return value_->text();
}

KivoMenuAction::KivoMenuAction(const QString& title, const QString& trailing, bool showChevron,
                               QWidget* parent)
    : QAbstractButton(parent), trailing_(trailing), showChevron_(showChevron) {
    setText(title);
    setFont(tarvelFont(TarvelType::body));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize KivoMenuAction::sizeHint() const {
    return {fontMetrics().horizontalAdvance(text()) + 40, 26};
}

void KivoMenuAction::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (hovered_ || isDown()) {
        p.setPen(Qt::NoPen);
        p.setBrush(isDown() ? TarvelColor::cardElevated.color() : whiteAt(0.06).color());
        p.drawRoundedRect(QRectF(rect()).adjusted(-6, 0, 6, 0), 6, 6);
    }
    QRect area = rect();
    if (showChevron_) {
        TarvelSymbol::paint(p, QRectF(area.right() - 10, area.center().y() - 5, 10, 10),
                            "chevron.right", TarvelColor::labelTertiary.color());
        area.setRight(area.right() - 16);
    }
    p.setFont(font());
    if (!trailing_.isEmpty()) {
        p.setPen(TarvelColor::labelSecondary.color());
        p.drawText(area, Qt::AlignRight | Qt::AlignVCenter, trailing_);
    }
    p.setPen(isEnabled() ? TarvelColor::labelPrimary.color() : TarvelColor::labelTertiary.color());
    p.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, text());
}

void KivoMenuAction::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void KivoMenuAction::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

}  // namespace tarvel
