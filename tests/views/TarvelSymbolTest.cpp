#include <gtest/gtest.h>

#include <QImage>

#include "views/symbols/TarvelSymbol.h"

namespace tarvel {
namespace {

// Each symbol draws something over its whole pixmap at a device ratio of 2 (not into the
// top-left quarter only); an unknown name draws nothing.
TEST(TarvelSymbol, EveryNameDrawsOverItsPixmapAndUnknownNamesDrawNothing) {
    const auto inkIn = [](const QImage& image, const QRect& area) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) n += qAlpha(image.pixel(x, y)) > 0;
        return n;
    };
    for (const QString& name : TarvelSymbol::names()) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(TarvelSymbol::has(name));
        const QPixmap sharp = TarvelSymbol::pixmap(name, Qt::white, 16, 2);
        EXPECT_EQ(sharp.deviceIndependentSize(), QSizeF(16, 16));
        const QImage image = sharp.toImage();
        EXPECT_GT(inkIn(image, QRect(0, 0, 32, 32)), 16);
        EXPECT_GT(inkIn(image, QRect(16, 0, 16, 32)) + inkIn(image, QRect(0, 16, 32, 16)), 0);
    }
    EXPECT_FALSE(TarvelSymbol::has("battery.50"));
    const QImage blank = TarvelSymbol::pixmap("no.such.symbol", Qt::white, 16).toImage();
    EXPECT_EQ(inkIn(blank, blank.rect()), 0);
}

}  // namespace
}  // namespace tarvel
