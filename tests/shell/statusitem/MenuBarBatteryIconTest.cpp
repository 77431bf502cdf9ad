#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <cmath>

#include "shell/statusitem/MenuBarBatteryIcon.h"

using namespace tarvel;

namespace {

StatusItemState battery(int level, bool charging = false, bool onAC = false,
                        std::optional<std::int64_t> minutes = std::nullopt) {
    StatusItemState s;
    s.level = level;
    s.charging = charging;
    s.onAC = onAC || charging;
    s.remainingMinutes = minutes;
    return s;
}

bool isInk(QColor pixel, const QColor& ink) {
    return pixel.alpha() == 255 && std::abs(pixel.red() - ink.red()) <= 2 &&
           std::abs(pixel.green() - ink.green()) <= 2 && std::abs(pixel.blue() - ink.blue()) <= 2;
}

// Opaque ink pixels in columns [fromX, toX) of an image.
int inkPixels(const QImage& image, int fromX, int toX, const QColor& ink) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = fromX; x < toX && x < image.width(); ++x)
            n += isInk(image.pixelColor(x, y), ink);
    return n;
}

}  // namespace

TEST(MenuBarBatteryIcon, TheFontShrinksForTextsOfSevenCharactersOrMore) {
    const struct {
        StatusItemState state;
        const char* text;
        double pixels;
    } cases[] = {
        {battery(99, false, true), "99% AC", 12.5},
        {battery(100, false, true), "100% Full", 11.5},
        {battery(5, false, false, 9), "5% 9m", 12.5},
        {battery(50, false, false, 45), "50% 45m", 11.5},
    };
    for (const auto& c : cases) {
        const auto l = MenuBarBatteryIcon::layout(c.state);
        EXPECT_EQ(l.text, c.text);
        EXPECT_EQ(l.fontPixelSize, c.pixels) << c.text;
    }
}

TEST(MenuBarBatteryIcon, FontSizesArePixelsWithEqualDigitWidths) {
    // A whole-pixel size must come out as QFont's own pixel size does, whatever the DPI.
    QFont byPixels = MenuBarBatteryIcon::font(12);
    byPixels.setPixelSize(12);
    const QImage device(1, 1, QImage::Format_ARGB32_Premultiplied);
    EXPECT_NEAR(QFontMetricsF(MenuBarBatteryIcon::font(12), &device).height(),
                QFontMetricsF(byPixels, &device).height(), 0.05);
    const QFontMetricsF m(MenuBarBatteryIcon::font(12.5));
    EXPECT_DOUBLE_EQ(m.horizontalAdvance("11%"), m.horizontalAdvance("88%"));
}

TEST(MenuBarBatteryIcon, WidthFollowsTheTextAndTheImageIsTwentyHigh) {
    for (const auto& state : {battery(99, false, true), battery(7)}) {
        const auto l = MenuBarBatteryIcon::layout(state);
        EXPECT_EQ(l.width, int(std::ceil(2 + 27 + 5 + l.textWidth + 2 + 1))) << l.text;
        for (double ratio : {1.0, 2.0}) {
            const QImage image = MenuBarBatteryIcon::image(state, ratio);
            EXPECT_EQ(image.width(), int(std::ceil(l.width * ratio)));
            EXPECT_EQ(image.height(), int(20 * ratio));
            EXPECT_EQ(image.devicePixelRatio(), ratio);
        }
    }
}

TEST(MenuBarBatteryIcon, TheSymbolAndTextTakeTheTintOnATransparentGround) {
    const struct {
        StatusItemState state;
        BatteryTint tint;
    } cases[] = {
        {battery(100, false, true), BatteryTint::discharging},
        {battery(62, true), BatteryTint::charging},
        {battery(10), BatteryTint::critical},
    };
    for (double ratio : {1.0, 2.0}) {
        for (const auto& c : cases) {
            const QImage image = MenuBarBatteryIcon::image(c.state, ratio);
            const QColor ink = BatteryMenuChrome::tintColor(c.tint);
            const auto px = [&](double x, double y) {
                return image.pixelColor(int(x * ratio), int(y * ratio));
            };
            SCOPED_TRACE(std::to_string(c.state.level) + " at " + std::to_string(ratio));
            EXPECT_TRUE(isInk(px(2.2, 9.5), ink)) << "left edge of the outline";
            EXPECT_EQ(px(0, 0).alpha(), 0);
            EXPECT_EQ(px(15, 0.5).alpha(), 0) << "above the symbol";
            const int symbolEnd = int(29 * ratio);
            EXPECT_GT(inkPixels(image, int(34 * ratio), image.width(), ink), 10 * ratio * ratio)
                << "the text";
            EXPECT_EQ(inkPixels(image, symbolEnd, int(34 * ratio), ink), 0) << "the spacing";
        }
    }
}

TEST(MenuBarBatteryIcon, TheFillGrowsWithTheBucket) {
    int previous = -1;
    for (int level : {30, 50, 80, 100}) {
        const QImage image = MenuBarBatteryIcon::image(battery(level), 2.0);
        const int ink = inkPixels(image, 4, 58, QColor(255, 255, 255));
        EXPECT_GT(ink, previous) << level;
        previous = ink;
    }
    // An empty battery is hollow; a full one is solid inside.
    const QImage empty = MenuBarBatteryIcon::image(battery(5), 2.0);
    const QImage full = MenuBarBatteryIcon::image(battery(100), 2.0);
    EXPECT_EQ(empty.pixelColor(20, 19).alpha(), 0);
    EXPECT_TRUE(isInk(full.pixelColor(20, 19), QColor(255, 255, 255)));
}

TEST(MenuBarBatteryIcon, TrayIconIsASquareInTheInk) {
    for (int size : {22, 64}) {
        for (double ratio : {1.0, 2.0}) {
            const QImage image = MenuBarBatteryIcon::trayIcon(battery(62, true), size, ratio);
            EXPECT_EQ(image.width(), int(size * ratio));
            EXPECT_EQ(image.height(), int(size * ratio));
            EXPECT_EQ(image.devicePixelRatio(), ratio);
            const QColor ink = BatteryMenuChrome::tintColor(BatteryTint::charging);
            // The level sits in the lower half, under the battery.
            int lowerInk = 0;
            for (int y = image.height() / 2 + 1; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    lowerInk += isInk(image.pixelColor(x, y), ink);
            EXPECT_GT(lowerInk, size * ratio / 2) << size << " at " << ratio;
            EXPECT_EQ(image.pixelColor(0, image.height() - 1).alpha(), 0);
        }
    }
}
