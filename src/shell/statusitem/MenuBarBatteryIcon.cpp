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
    QImage image = blankImage(side, side, devicePixelRatio);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    if (!state.present) {
        const double w = side * 0.9;
        const double h = w * 15.0 / 24.0;
        paintTintedSymbol(p, QRectF((side - w) / 2, (side - h) / 2, w, h), symbol, ink);
        return image;
    }

    // The battery across the top, the level as large as the rest of the square allows.
    const double margin = side * 0.03;
    const double w = side - 2 * margin;
    const double h = w * 13.0 / 27.0;
    const QRectF symbolRect(margin, margin, w, h);
    paintTintedSymbol(p, symbolRect, symbol, ink);

    const QString level = QString::number(state.level);
    const QRectF textBox(0, symbolRect.bottom(), side, side - symbolRect.bottom());
    QFont f(textFamily());
    f.setWeight(QFont::Bold);
    double px = textBox.height() * 1.05;
    for (;; px -= 0.5) {
        f.setPointSizeF(px * 72.0 / referenceDevice().logicalDpiY());
        const QFontMetricsF m(f, &referenceDevice());
        if (px <= 6 || (m.tightBoundingRect(level).width() <= side &&
                        m.capHeight() <= textBox.height() * 0.86))
            break;
    }
    p.setFont(f);
    p.setPen(ink);
    const QFontMetricsF m(f, &referenceDevice());
    const QRectF tight = m.tightBoundingRect(level);
    // Centre the digits' ink box, not the line box: digits have no descenders.
    const double x = (side - tight.width()) / 2 - tight.left();
    const double baseline = textBox.top() + (textBox.height() + m.capHeight()) / 2;
    p.drawText(QPointF(x, baseline), level);
    return image;
}

}  // namespace tarvel
