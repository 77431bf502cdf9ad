#include "views/symbols/TarvelSymbol.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QtMath>
#include <algorithm>
#include <cmath>

#include "shell/statusitem/BatterySymbolPainter.h"

namespace tarvel {

namespace {

// Symbols are drawn on a 24-unit grid; a line is 2 units, a twelfth of the box.
constexpr double kGrid = 24;
constexpr double kLine = 2;
// Space kept clear between a shape and the one it passes behind.
constexpr double kGap = 1.5;

QPainterPath stroked(const QPainterPath& path, double width = kLine) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(path).simplified();
}

QPainterPath line(std::initializer_list<QPointF> points, double width = kLine) {
    QPainterPath path;
    for (const QPointF& p : points) {
        if (path.elementCount() == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    return stroked(path, width);
}

QPainterPath circle(QPointF centre, double radius) {
    QPainterPath path;
    path.addEllipse(centre, radius, radius);
    return path;
}

QPainterPath roundedRect(const QRectF& r, double radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

// `front` over `back`, with a gap cut around the front shape's outline.
QPainterPath inFrontOf(const QPainterPath& front, const QPainterPath& frontArea,
                       const QPainterPath& back) {
    const QPainterPath cut = frontArea.united(stroked(frontArea, kLine + 2 * kGap));
    return back.subtracted(cut).united(front);
}

QPainterPath boltFill() {
    QPainterPath path;
    path.moveTo(13.8, 2.5);
    path.lineTo(4.8, 13.6);
    path.lineTo(11.2, 13.6);
    path.lineTo(10.2, 21.5);
    path.lineTo(19.2, 10.4);
    path.lineTo(12.8, 10.4);
    path.closeSubpath();
    return path.united(stroked(path, 1.2));
}

QPainterPath cpu() {
    QPainterPath ink = stroked(roundedRect(QRectF(6, 6, 12, 12), 2.2));
    ink.addRoundedRect(QRectF(9.5, 9.5, 5, 5), 1, 1);
    // Two pins a side: three blur together at menu sizes.
    for (double at : {9.5, 14.5}) {
        ink = ink.united(line({{at, 2.5}, {at, 5}}, 1.8));
        ink = ink.united(line({{at, 19}, {at, 21.5}}, 1.8));
        ink = ink.united(line({{2.5, at}, {5, at}}, 1.8));
        ink = ink.united(line({{19, at}, {21.5, at}}, 1.8));
    }
    return ink.simplified();
}

QPainterPath leafBody() {
    QPainterPath path;
    path.moveTo(6.5, 17.5);
    path.cubicTo(3.5, 10.5, 9.0, 3.5, 20.5, 3.5);
    path.cubicTo(21.0, 14.0, 15.0, 20.5, 6.5, 17.5);
    path.closeSubpath();
    return path;
}

QPainterPath leafVein() {
    QPainterPath path;
    path.moveTo(3.5, 20.5);
    path.cubicTo(7.0, 15.0, 10.5, 11.5, 15.5, 8.5);
    return path;
}

QPainterPath leaf() {
    return stroked(leafBody()).united(stroked(leafVein()));
}

QPainterPath leafFill() {
    const QPainterPath body = leafBody().united(stroked(leafBody()));
    QPainterPath outside;
    outside.moveTo(3.5, 20.5);
    outside.lineTo(7.5, 16.0);
    return body.subtracted(stroked(leafVein(), 1.6)).united(stroked(outside));
}

QPainterPath ring() {
    return stroked(circle({12, 12}, 10));
}

QPainterPath questionmarkCircle() {
    QPainterPath hook;
    hook.moveTo(9.0, 9.4);
    hook.cubicTo(9.0, 7.6, 10.4, 6.5, 12.1, 6.5);
    hook.cubicTo(13.9, 6.5, 15.2, 7.7, 15.2, 9.3);
    hook.cubicTo(15.2, 11.4, 12.1, 11.8, 12.1, 14.2);
    return ring().united(stroked(hook)).united(circle({12.1, 17.6}, 1.35));
}

QPainterPath infoCircle() {
    return ring().united(line({{12, 11}, {12, 17}})).united(circle({12, 7.4}, 1.35));
}

QPainterPath gearshape() {
    constexpr int kTeeth = 8;
    constexpr double kOuter = 10.0, kInner = 7.6;
    QPainterPath outline;
    for (int i = 0; i < kTeeth; ++i) {
        const double a = i * 360.0 / kTeeth;
        const auto at = [](double r, double degrees) {
            const double rad = qDegreesToRadians(degrees);
            return QPointF(12 + r * std::cos(rad), 12 + r * std::sin(rad));
        };
        const QPointF p0 = at(kInner, a - 13), p1 = at(kOuter, a - 8), p2 = at(kOuter, a + 8),
                      p3 = at(kInner, a + 13);
        if (i == 0)
            outline.moveTo(p0);
        else
            outline.lineTo(p0);
        outline.lineTo(p1);
        outline.lineTo(p2);
        outline.lineTo(p3);
        outline.arcTo(QRectF(12 - kInner, 12 - kInner, 2 * kInner, 2 * kInner), -(a + 13),
                      -(360.0 / kTeeth - 26));
    }
    outline.closeSubpath();
    return stroked(outline, 1.8).united(stroked(circle({12, 12}, 3.2), 1.8));
}

QPainterPath chevronDown() {
    return line({{5, 8.5}, {12, 15.5}, {19, 8.5}}, 2.2);
}
QPainterPath chevronRight() {
    return line({{8.5, 5}, {15.5, 12}, {8.5, 19}}, 2.2);
}

QPainterPath sliderHorizontal3() {
    QPainterPath ink;
    const struct { double y, knob; } rows[] = {{5, 15.5}, {12, 8}, {19, 13}};
    for (const auto& r : rows) {
        ink = ink.united(line({{3, r.y}, {21, r.y}}));
        ink = ink.united(circle({r.knob, r.y}, 2.8));
    }
    return ink.simplified();
}

QPainterPath arrowUpRight() {
    return line({{6, 18}, {18, 6}}).united(line({{8.5, 6}, {18, 6}, {18, 15.5}}));
}

QPainterPath menubarRectangle() {
    const QPainterPath frame = roundedRect(QRectF(2.5, 4, 19, 16), 3);
    QPainterPath top;
    top.addRect(QRectF(0, 0, kGrid, 9));
    return stroked(frame).united(frame.intersected(top));
}

QPainterPath rectangle3Group() {
    QPainterPath ink = stroked(roundedRect(QRectF(3, 3, 18, 8), 2));
    ink = ink.united(stroked(roundedRect(QRectF(3, 14, 7.5, 7), 2)));
    ink = ink.united(stroked(roundedRect(QRectF(13.5, 14, 7.5, 7), 2)));
    return ink;
}

QPainterPath bellBadge() {
    QPainterPath bell;
    bell.moveTo(3.5, 17.5);
    bell.cubicTo(5.2, 15.8, 5.8, 14.2, 5.8, 11.0);
    bell.cubicTo(5.8, 7.2, 7.8, 4.2, 11.0, 4.2);
    bell.cubicTo(14.2, 4.2, 16.2, 7.2, 16.2, 11.0);
    bell.cubicTo(16.2, 14.2, 16.8, 15.8, 18.5, 17.5);
    bell.closeSubpath();
    QPainterPath clapper;
    clapper.moveTo(9.0, 20.3);
    clapper.cubicTo(9.6, 21.8, 12.4, 21.8, 13.0, 20.3);
    const QPainterPath badge = circle({18.5, 5.5}, 3.2);
    return inFrontOf(badge, badge, stroked(bell).united(stroked(clapper)));
}

QPainterPath cloudSun() {
    QPainterPath cloudArea = circle({13.5, 14.5}, 4.5);
    cloudArea = cloudArea.united(circle({18.5, 16.5}, 3.5));
    cloudArea = cloudArea.united(circle({9.5, 17}, 3.0));
    cloudArea = cloudArea.united(roundedRect(QRectF(9.5, 16.5, 9, 3.5), 0)).simplified();
    QPainterPath sun = stroked(circle({8.5, 8.5}, 3.3));
    for (int i = 0; i < 8; ++i) {
        const double rad = qDegreesToRadians(i * 45.0);
        const QPointF dir(std::cos(rad), std::sin(rad));
        sun = sun.united(line({QPointF(8.5, 8.5) + 5.8 * dir, QPointF(8.5, 8.5) + 7.2 * dir}, 1.6));
    }
    return inFrontOf(stroked(cloudArea), cloudArea, sun);
}

QPainterPath bubble(const QRectF& r, bool tailLeft) {
    QPainterPath area = roundedRect(r, 4);
    QPainterPath tail;
    const double y = r.bottom() - 1;
    if (tailLeft) {
        tail.moveTo(r.left() + 2, y);
        tail.lineTo(r.left() + 0.5, r.bottom() + 3);
        tail.lineTo(r.left() + 7, y);
    } else {
        tail.moveTo(r.right() - 2, y);
        tail.lineTo(r.right() - 0.5, r.bottom() + 3);
        tail.lineTo(r.right() - 7, y);
    }
    tail.closeSubpath();
    return area.united(tail).simplified();
}

QPainterPath bubbleLeftAndBubbleRight() {
    const QPainterPath back = bubble(QRectF(9.5, 2.5, 12, 9.5), false);
    const QPainterPath front = bubble(QRectF(2.5, 8.5, 12, 9.5), true);
    return inFrontOf(stroked(front), front, stroked(back));
}

QPainterPath app() {
    QPainterPath mark = line({{8.5, 16.5}, {12, 7.5}, {15.5, 16.5}}, 1.8);
    mark = mark.united(line({{9.8, 13.3}, {14.2, 13.3}}, 1.8));
    return stroked(roundedRect(QRectF(3, 3, 18, 18), 5)).united(mark);
}

struct Entry {
    const char* name;
    QPainterPath (*ink)();
};

// The battery is drawn by the status item's painter, so it has no entry here.
constexpr Entry kEntries[] = {
    {"bolt.fill", boltFill},
    {"cpu", cpu},
    {"leaf", leaf},
    {"leaf.fill", leafFill},
    {"questionmark.circle", questionmarkCircle},
    {"gearshape", gearshape},
    {"chevron.down", chevronDown},
    {"chevron.right", chevronRight},
    {"slider.horizontal.3", sliderHorizontal3},
    {"arrow.up.right", arrowUpRight},
    {"menubar.rectangle", menubarRectangle},
    {"rectangle.3.group", rectangle3Group},
    {"bell.badge", bellBadge},
    {"cloud.sun", cloudSun},
    {"bubble.left.and.bubble.right", bubbleLeftAndBubbleRight},
    {"info.circle", infoCircle},
    {"app", app},
};
constexpr const char* kBattery = "battery.100.bolt";

// The battery painter draws black; paint it at device resolution and tint it.
void paintBattery(QPainter& painter, const QRectF& square, const QColor& color) {
    const QSizeF natural = batterySymbolNaturalSize(kBattery);
    const double width = square.width() * 22 / kGrid;
    const QSizeF size(width, width * natural.height() / natural.width());
    const QRectF target(square.center() - QPointF(size.width() / 2, size.height() / 2), size);

    const QTransform& world = painter.worldTransform();
    const double scale = painter.device()->devicePixelRatioF() *
                         std::sqrt(std::abs(world.m11() * world.m22() - world.m12() * world.m21()));
    QImage image(std::max(1, qCeil(size.width() * scale)),
                 std::max(1, qCeil(size.height() * scale)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter ip(&image);
        ip.scale(image.width() / size.width(), image.height() / size.height());
        paintBatterySymbol(ip, QRectF(QPointF(0, 0), size), kBattery);
        ip.setCompositionMode(QPainter::CompositionMode_SourceIn);
        ip.fillRect(QRectF(QPointF(0, 0), size), color);
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image);
    painter.restore();
}

}  // namespace

namespace TarvelSymbol {

QStringList names() {
    QStringList all;
    for (const Entry& e : kEntries) all << e.name;
    all << kBattery;
    return all;
}

bool has(const QString& name) {
    return names().contains(name);
}

void paint(QPainter& painter, const QRectF& box, const QString& name, const QColor& color) {
    const double side = std::min(box.width(), box.height());
    if (side <= 0) return;
    const QRectF square(box.center() - QPointF(side / 2, side / 2), QSizeF(side, side));
    if (name == kBattery) {
        paintBattery(painter, square, color);
        return;
    }
    for (const Entry& e : kEntries) {
        if (name != e.name) continue;
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(square.topLeft());
        painter.scale(side / kGrid, side / kGrid);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawPath(e.ink());
        painter.restore();
        return;
    }
}

QPixmap pixmap(const QString& name, const QColor& color, int size, qreal devicePixelRatio) {
    const int device = qRound(size * devicePixelRatio);
    QPixmap pm(device, device);
    pm.setDevicePixelRatio(devicePixelRatio);
    pm.fill(Qt::transparent);
    QPainter painter(&pm);
    paint(painter, QRectF(0, 0, size, size), name, color);
    return pm;
}

}  // namespace TarvelSymbol

SymbolView::SymbolView(const QString& name, const QColor& color, int size, QWidget* parent)
    : QWidget(parent), name_(name), color_(color) {
    setFixedSize(size, size);
    setAttribute(Qt::WA_TranslucentBackground);
}

void SymbolView::setSymbol(const QString& name) {
    if (name == name_) return;
    name_ = name;
    update();
}

void SymbolView::setColor(const QColor& color) {
    if (color == color_) return;
    color_ = color;
    update();
}

void SymbolView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TarvelSymbol::paint(painter, rect(), name_, color_);
}

}  // namespace tarvel
