#include "shell/statusitem/BatterySymbolPainter.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace tarvel {

namespace {

struct BatteryName {
    int bucket = 0;
    bool bolt = false;
};

BatteryName parseBattery(const std::string& name) {
    BatteryName b;
    const std::string prefix = "battery.";
    if (name.rfind(prefix, 0) != 0) return b;
    std::string rest = name.substr(prefix.size());
    const std::string boltSuffix = ".bolt";
    if (rest.size() > boltSuffix.size() &&
        rest.compare(rest.size() - boltSuffix.size(), boltSuffix.size(), boltSuffix) == 0) {
        b.bolt = true;
        rest.resize(rest.size() - boltSuffix.size());
    }
    for (int bucket : {0, 25, 50, 75, 100})
        if (rest == std::to_string(bucket)) b.bucket = bucket;
    return b;
}

// A lightning bolt filling a box of the given height, centred on `centre`.
QPainterPath boltPath(QPointF centre, double height) {
    static constexpr QPointF kUnit[] = {{0.62, 0.0}, {0.10, 0.57}, {0.45, 0.57},
                                        {0.36, 1.0}, {0.90, 0.41}, {0.55, 0.41}};
    const double width = height * 0.64;
    const QPointF origin = centre - QPointF(width / 2, height / 2);
    QPainterPath path;
    for (std::size_t i = 0; i < std::size(kUnit); ++i) {
        const QPointF p = origin + QPointF(kUnit[i].x() * width, kUnit[i].y() * height);
        if (i == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    path.closeSubpath();
    return path;
}

void paintBattery(QPainter& p, const QRectF& r, const BatteryName& b) {
    const double stroke = std::max(1.0, r.height() * 0.1);
    const double nubWidth = std::max(1.5, r.width() * 0.07);
    const double gap = std::max(0.5, stroke * 0.4);
    const QRectF body(r.left() + stroke / 2, r.top() + stroke / 2,
                      r.width() - nubWidth - gap - stroke, r.height() - stroke);
    const double radius = r.height() * 0.28;

    p.setPen(QPen(Qt::black, stroke));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(body, radius, radius);

    const double nubHeight = r.height() * 0.36;
    const QRectF nub(body.right() + stroke / 2 + gap, r.center().y() - nubHeight / 2, nubWidth,
                     nubHeight);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRoundedRect(nub, nubWidth / 2, nubWidth / 2);

    const double inset = stroke / 2 + std::max(1.0, stroke * 0.9);
    const QRectF inner = body.adjusted(inset, inset, -inset, -inset);
    if (b.bucket > 0) {
        QRectF fill = inner;
        fill.setWidth(inner.width() * b.bucket / 100.0);
        const double fillRadius = std::max(0.0, radius - inset);
        p.drawRoundedRect(fill, fillRadius, fillRadius);
    }

    if (b.bolt) {
        const QPainterPath bolt = boltPath(body.center(), r.height() * 0.66);
        // A gap around the bolt keeps it readable over the fill and the outline.
        p.save();
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.setPen(QPen(Qt::black, stroke * 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::black);
        p.drawPath(bolt);
        p.restore();
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawPath(bolt);
    }
}

// A mains plug lying down: the cable comes in from the left, the prongs point right.
void paintPlug(QPainter& p, const QRectF& r) {
    const double h = std::min(r.height(), r.width() * 0.7);
    const double cy = r.center().y();
    const double left = r.left();
    const double w = r.width();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    // Cable.
    p.drawRoundedRect(QRectF(left, cy - h * 0.09, w * 0.34, h * 0.18), h * 0.09, h * 0.09);
    // Grip, tapering into the cable.
    QPainterPath grip;
    grip.moveTo(left + w * 0.28, cy - h * 0.22);
    grip.lineTo(left + w * 0.40, cy - h * 0.42);
    grip.lineTo(left + w * 0.72, cy - h * 0.42);
    grip.lineTo(left + w * 0.72, cy + h * 0.42);
    grip.lineTo(left + w * 0.40, cy + h * 0.42);
    grip.lineTo(left + w * 0.28, cy + h * 0.22);
    grip.closeSubpath();
    p.drawPath(grip);
    // Prongs.
    const double prong = h * 0.16;
    for (double y : {cy - h * 0.22, cy + h * 0.22})
        p.drawRoundedRect(QRectF(left + w * 0.70, y - prong / 2, w * 0.30, prong), prong / 2,
                          prong / 2);
}

}  // namespace

QSizeF batterySymbolNaturalSize(const std::string& name) {
    if (name == "powerplug.fill") return {24, 15};
    return {27, 13};
}

void paintBatterySymbol(QPainter& painter, const QRectF& rect, const std::string& name) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (name == "powerplug.fill")
        paintPlug(painter, rect);
    else
        paintBattery(painter, rect, parseBattery(name));
    painter.restore();
}

}  // namespace tarvel
