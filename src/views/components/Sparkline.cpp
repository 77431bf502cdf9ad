#include "views/components/Sparkline.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace tarvel {

Sparkline::Sparkline(QColor color, QWidget* parent) : QWidget(parent), color_(color) {
    setFixedHeight(28);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Sparkline::setValues(std::vector<double> values) {
    if (values == values_) return;
    values_ = std::move(values);
    update();
}

std::vector<QPointF> Sparkline::points(const std::vector<double>& values, const QRectF& area) {
    std::vector<double> finite;
    for (double v : values)
        if (std::isfinite(v)) finite.push_back(v);
    if (finite.size() < 2) return {};
    const auto [low, high] = std::minmax_element(finite.begin(), finite.end());
    const double span = *high - *low;
    std::vector<QPointF> out;
    out.reserve(finite.size());
    for (std::size_t i = 0; i < finite.size(); ++i) {
        const double x = area.left() + area.width() * double(i) / double(finite.size() - 1);
        // A flat line sits in the middle rather than on an edge.
        const double t = span > 0 ? (finite[i] - *low) / span : 0.5;
        out.emplace_back(x, area.bottom() - t * area.height());
    }
    return out;
}

void Sparkline::paintEvent(QPaintEvent*) {
    const auto line = points(values_, QRectF(rect()).adjusted(1, 2, -1, -2));
    if (line.empty()) return;
    QPainterPath path(line.front());
    for (std::size_t i = 1; i < line.size(); ++i) path.lineTo(line[i]);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color_, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
}

}  // namespace tarvel
