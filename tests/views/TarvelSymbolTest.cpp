#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QSet>

#include "views/symbols/TarvelSymbol.h"

namespace tarvel {
namespace {

constexpr int kMargin = 6;

// `name` drawn at `size` into the middle of a transparent image with a margin all round.
QImage drawn(const QString& name, int size, const QColor& color) {
    QImage image(size + 2 * kMargin, size + 2 * kMargin, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    TarvelSymbol::paint(painter, QRectF(kMargin, kMargin, size, size), name, color);
    return image;
}

TEST(TarvelSymbol, EverySymbolDrawsInItsColourInsideItsBox) {
    const QColor color(90, 190, 255);
    for (const QString& name : TarvelSymbol::names()) {
        for (int size : {12, 32}) {
            SCOPED_TRACE(qPrintable(QStringLiteral("%1 at %2").arg(name).arg(size)));
            const QImage image = drawn(name, size, color);
            const QRect box(kMargin, kMargin, size, size);
            int solid = 0, outside = 0, offColour = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    if (c.alpha() == 0) continue;
                    if (!box.contains(x, y)) ++outside;
                    if (c.alpha() > 160) {
                        ++solid;
                        if (std::abs(c.red() - color.red()) > 6 ||
                            std::abs(c.green() - color.green()) > 6 ||
                            std::abs(c.blue() - color.blue()) > 6)
                            ++offColour;
                    }
                }
            }
            EXPECT_GT(solid, size / 2);
            EXPECT_EQ(outside, 0);
            EXPECT_EQ(offColour, 0);
        }
        const QPixmap sharp = TarvelSymbol::pixmap(name, color, 16, 2);
        EXPECT_EQ(sharp.size(), QSize(32, 32));
        EXPECT_EQ(sharp.deviceIndependentSize(), QSizeF(16, 16));
        // Drawn over the whole device area, not into its top-left quarter.
        const QImage sharpImage = sharp.toImage();
        int farInk = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                if ((x >= 20 || y >= 20) && qAlpha(sharpImage.pixel(x, y)) > 0) ++farInk;
        EXPECT_GT(farInk, 0);
    }
}

TEST(TarvelSymbol, NamesAndUnknownNames) {
    const QStringList names = TarvelSymbol::names();
    EXPECT_EQ(names.size(), 18);
    EXPECT_EQ(names.size(), QSet<QString>(names.begin(), names.end()).size());
    for (const QString& name : names) EXPECT_TRUE(TarvelSymbol::has(name)) << name.toStdString();
    EXPECT_FALSE(TarvelSymbol::has("battery.50"));
    EXPECT_FALSE(TarvelSymbol::has(""));

    const QImage blank = TarvelSymbol::pixmap("no.such.symbol", Qt::white, 16).toImage();
    for (int y = 0; y < blank.height(); ++y)
        for (int x = 0; x < blank.width(); ++x) ASSERT_EQ(qAlpha(blank.pixel(x, y)), 0);
}

}  // namespace
}  // namespace tarvel
