#include "shell/statusitem/MenuBarBatteryIcon.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "base/Rounding.h"
#include "shell/statusitem/BatterySymbolPainter.h"

namespace tarvel {

namespace {

const QColor kHaloColor(12, 12, 14, 230);

// Fonts resolve against a paint device's resolution; every image here has the default one,
// so a blank image of the same kind stands in for measuring.
const QImage& referenceDevice() {
    static const QImage device(1, 1, QImage::Format_ARGB32_Premultiplied);
    return device;
}

// DejaVu Sans has equal-width digits, so the text does not jitter as numbers change.
QString textFamily() {
    static const QString family = [] {
        const QString wanted = QStringLiteral("DejaVu Sans");
        if (QFontDatabase::families().contains(wanted)) return wanted;
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

QImage blankImage(double width, double height, double ratio) {
    QImage image(std::max(1, int(std::ceil(width * ratio))),
                 std::max(1, int(std::ceil(height * ratio))), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(ratio);
    return image;
}

// The symbol in `rect`, then the same rectangle filled with the ink over the symbol only.
void paintTintedSymbol(QPainter& p, const QRectF& rect, const std::string& symbol,
                       const QColor& ink) {
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    paintBatterySymbol(p, rect, symbol);
    p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    p.fillRect(rect, ink);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// The dark rim's radius in device pixels for an icon `devicePixels` wide.
double haloRadius(double devicePixels) {
    return std::max(1.0, devicePixels * 0.06);
}

// Light ink (white, amber, green) nearly vanishes on a light panel: a dark rim around
// everything drawn keeps its shape readable there, and disappears into a dark panel.
QImage withHalo(const QImage& drawn) {
    QImage ink = drawn;
    const double ratio = ink.devicePixelRatio();
    ink.setDevicePixelRatio(1);  // the rim is worked out in device pixels
    const double r = haloRadius(ink.width());
    const int reach = int(std::ceil(r));
    QImage out(ink.size(), QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx)
            if (dx * dx + dy * dy <= r * r + 0.5) p.drawImage(QPoint(dx, dy), ink);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(out.rect(), kHaloColor);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.drawImage(QPoint(0, 0), ink);
    p.end();
    out.setDevicePixelRatio(ratio);
    return out;
}

}  // namespace

double MenuBarBatteryIcon::fontPixelSize(const std::string& text) {
    return QString::fromStdString(text).size() < 7 ? 12.5 : 11.5;
}

QFont MenuBarBatteryIcon::font(double pixelSize) {
    QFont f(textFamily());
    f.setWeight(QFont::DemiBold);
    f.setStyleStrategy(QFont::PreferAntialias);
    // Sizes are pixels, some of them fractional, which setPixelSize cannot take: points at
    // the images' resolution come out at the same size.
    f.setPointSizeF(pixelSize * 72.0 / referenceDevice().logicalDpiY());
    return f;
}

MenuBarBatteryIcon::Layout MenuBarBatteryIcon::layout(const StatusItemState& state) {
    Layout l;
    l.text = statusText(state);
    l.symbol = symbolOf(state);
    l.fontPixelSize = fontPixelSize(l.text);
    l.font = font(l.fontPixelSize);
    const QFontMetricsF metrics(l.font, &referenceDevice());
    l.textWidth = metrics.horizontalAdvance(QString::fromStdString(l.text));
    l.textHeight = metrics.height();

    const QSizeF natural = batterySymbolNaturalSize(l.symbol);
    const double iconWidth = clampTo(natural.width(), 22.0, 34.0);
    const double iconHeight = clampTo(natural.height(), 13.0, 18.0);
    l.symbolRect = QRectF(2, std::floor((kHeight - iconHeight) / 2), iconWidth, iconHeight);
    l.textOrigin = QPointF(2 + iconWidth + 5, std::floor((kHeight - l.textHeight) / 2 - 0.5));
    l.width = int(std::ceil(2 + iconWidth + 5 + l.textWidth + 2 + 1));
    return l;
}

QImage MenuBarBatteryIcon::image(const StatusItemState& state, double devicePixelRatio) {
    const Layout l = layout(state);
    const QColor ink = BatteryMenuChrome::tintColor(tintOf(state));
    QImage image = blankImage(l.width, kHeight, devicePixelRatio);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    paintTintedSymbol(p, l.symbolRect, l.symbol, ink);
    p.setFont(l.font);
    p.setPen(ink);
    p.drawText(QRectF(l.textOrigin, QSizeF(l.textWidth + 1, l.textHeight)),
               Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(l.text));
    return image;
}

QImage MenuBarBatteryIcon::trayIcon(const StatusItemState& state, int size,
                                    double devicePixelRatio) {
    const double side = std::max(size, 8);
    const std::string symbol = symbolOf(state);
    const QColor ink = BatteryMenuChrome::tintColor(tintOf(state));
    const QString value = QString::fromStdString(trayValueText(state));
    // The rim needs room inside the square.
    const double rim = haloRadius(side * devicePixelRatio) / devicePixelRatio;
    QImage image = blankImage(side, side, devicePixelRatio);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    if (value.isEmpty()) {
        const double w = side - 2 * rim;
        const double h = w * 15.0 / 24.0;
        paintTintedSymbol(p, QRectF((side - w) / 2, (side - h) / 2, w, h), symbol, ink);
        p.end();
        return withHalo(image);
    }

    // The symbol across the top, the value as large as the rest of the square allows.
    const double w = side - 2 * rim;
    const double h = w * 11.0 / 27.0;
    const QRectF symbolRect(rim, rim, w, h);
    paintTintedSymbol(p, symbolRect, symbol, ink);

    const QRectF textBox(rim, symbolRect.bottom() + rim, w, side - symbolRect.bottom() - 2 * rim);
    // As tall as the box allows; a wide value ("9.4W") is narrowed by up to a quarter before
    // it is made smaller.
    constexpr double kMostNarrowing = 0.75;
    QFont f(textFamily());
    f.setWeight(QFont::Bold);
    double px = textBox.height() * 1.3;
    double narrowing = 1;
    for (;; px -= 0.5) {
        f.setPointSizeF(px * 72.0 / referenceDevice().logicalDpiY());
        const QFontMetricsF m(f, &referenceDevice());
        const double width = m.tightBoundingRect(value).width();
        narrowing = std::clamp(textBox.width() / width, kMostNarrowing, 1.0);
        if (px <= 6 || (width * narrowing <= textBox.width() && m.capHeight() <= textBox.height()))
            break;
    }
    p.setFont(f);
    p.setPen(ink);
    const QFontMetricsF m(f, &referenceDevice());
    const QRectF tight = m.tightBoundingRect(value);
    // Centre the ink box, not the line box: digits have no descenders.
    const double baseline = textBox.top() + (textBox.height() + m.capHeight()) / 2;
    p.translate(textBox.center().x(), baseline);
    p.scale(narrowing, 1);
    p.drawText(QPointF(-tight.width() / 2 - tight.left(), 0), value);
    p.end();
    return withHalo(image);
}

}  // namespace tarvel
