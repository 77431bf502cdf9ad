#include "views/components/CardFrame.h"

#include <QPainter>

namespace tarvel {

CardFrame::CardFrame(QWidget* parent, double radius, Rgba fill)
    : QWidget(parent), radius_(radius), fill_(fill.color()) {}

void CardFrame::setRadius(double radius) {
    radius_ = radius;
    update();
}

void CardFrame::setFill(const QColor& fill) {
    fill_ = fill;
    update();
}

void CardFrame::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(TarvelColor::border.color(), 0.5));
    p.setBrush(fill_);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius_, radius_);
}

Hairline::Hairline(QWidget* parent) : QWidget(parent) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Hairline::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), TarvelColor::divider.color());
}

}  // namespace tarvel
