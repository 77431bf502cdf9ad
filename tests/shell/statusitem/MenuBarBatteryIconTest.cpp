#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <cmath>

#include "shell/statusitem/BatterySymbolPainter.h"
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

// WCAG relative luminance and contrast ratio.
double luminance(const QColor& c) {
    const auto linear = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// How the value under the symbol (the lower half of a tray icon) reads on a panel of `panel`:
// of the pixels drawn there, the share that stands out from the panel by 3:1 or more, and the
// share of the drawn width those pixels span.
struct Legibility {
    double legibleShare = 0;
    double legibleSpan = 0;
};

Legibility legibilityOn(const QImage& icon, const QColor& panel) {
    QImage shown(icon.size(), QImage::Format_ARGB32);
    shown.fill(panel);
    QPainter(&shown).drawImage(0, 0, icon);
    int drawn = 0, legible = 0;
    int drawnLeft = icon.width(), drawnRight = -1, legibleLeft = icon.width(), legibleRight = -1;
    for (int y = icon.height() / 2; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width(); ++x) {
            if (icon.pixelColor(x, y).alpha() < 128) continue;
            ++drawn;
            drawnLeft = std::min(drawnLeft, x), drawnRight = std::max(drawnRight, x);
            if (contrast(shown.pixelColor(x, y), panel) < 3) continue;
            ++legible;
            legibleLeft = std::min(legibleLeft, x), legibleRight = std::max(legibleRight, x);
        }
    }
    if (drawn == 0 || legible == 0) return {};
    return {double(legible) / drawn,
            double(legibleRight - legibleLeft + 1) / (drawnRight - drawnLeft + 1)};
}

}  // namespace

TEST(MenuBarBatteryIcon, TheFontShrinksFromSevenCharactersWithEqualDigitWidths) {
    EXPECT_GT(MenuBarBatteryIcon::layout(battery(99, false, true)).fontPixelSize,  // "99% AC"
              MenuBarBatteryIcon::layout(battery(50, false, false, 45)).fontPixelSize);
    // Numbers that change do not make the text jitter.
    const QFontMetricsF m(MenuBarBatteryIcon::font(12.5));
    EXPECT_DOUBLE_EQ(m.horizontalAdvance("11%"), m.horizontalAdvance("88%"));
}

TEST(MenuBarBatteryIcon, TheImageWidensWithItsTextAndIsDrawnInTheTintAtScaleTwo) {
    EXPECT_GT(MenuBarBatteryIcon::image(battery(100, false, true)).width(),
              MenuBarBatteryIcon::image(battery(99, false, true)).width());
    for (const auto& [state, tint] :
         {std::pair{battery(100, false, true), BatteryTint::discharging},
          {battery(62, true), BatteryTint::charging},
          {battery(10), BatteryTint::critical}}) {
        const QColor ink = BatteryMenuChrome::tintColor(tint);
        // Its size at that scale is the icon command's PNG check.
        const QImage two = MenuBarBatteryIcon::image(state, 2);
        EXPECT_EQ(two.devicePixelRatio(), 2);
        int opaque = 0;
        for (int y = 0; y < two.height(); ++y)
            for (int x = 0; x < two.width(); ++x)
                if (const QColor c = two.pixelColor(x, y); c.alpha() == 255) {
                    ++opaque;
                    ASSERT_LE(std::abs(c.red() - ink.red()) + std::abs(c.green() - ink.green()) +
                                  std::abs(c.blue() - ink.blue()),
                              6);
                }
        EXPECT_GT(opaque, 100);
    }
}

TEST(MenuBarBatteryIcon, TheSymbolFillsByBucketAndAnUnknownLevelIsHollow) {
    const auto ink = [](const std::string& symbol) {
        QImage image(54, 26, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        paintBatterySymbol(p, image.rect(), symbol);
        p.end();
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) n += qAlpha(image.pixel(x, y)) > 128;
        return n;
    };
    int previous = ink("battery.0");
    EXPECT_EQ(ink("battery.unknown"), previous);
    for (const char* symbol : {"battery.25", "battery.50", "battery.75", "battery.100"}) {
        EXPECT_GT(ink(symbol), previous) << symbol;
        previous = ink(symbol);
    }
}

// The square tray icon shows the display mode's value, and stays legible on a light and on a
// dark panel in every tint.
TEST(MenuBarBatteryIcon, TheTrayIconShowsTheModesValueLegiblyOnLightAndDarkPanels) {
    StatusItemState unknown = battery(0);
    unknown.levelKnown = false;
    StatusItemState lowPower = battery(40);
    lowPower.lowPower = true;
    for (const StatusItemState& base :
         {battery(62), battery(62, true), battery(12), lowPower, unknown}) {
        StatusItemState watts = base;
        watts.mode = MenuBarDisplayMode::watts;
        watts.packageWatts = 9.4;
        EXPECT_NE(MenuBarBatteryIcon::trayIcon(base, 22), MenuBarBatteryIcon::trayIcon(watts, 22));
        for (const StatusItemState& state : {base, watts}) {
            for (int size : {22, 32}) {
                const QImage icon = MenuBarBatteryIcon::trayIcon(state, size);
                ASSERT_EQ(icon.size(), QSize(size, size));
                for (const QColor panel : {QColor("#dcdad5"), QColor("#202020")}) {
                    SCOPED_TRACE(trayValueText(state) + " " +
                                 BatteryMenuChrome::tintName(tintOf(state)) + " at " +
                                 std::to_string(size) + " on " + panel.name().toStdString());
                    // On a dark panel only the ink stands out (the rim vanishes into it), on a
                    // light one only the rim: either must trace the value across its width.
                    const Legibility l = legibilityOn(icon, panel);
                    EXPECT_GE(l.legibleShare, 0.2);
                    EXPECT_GE(l.legibleSpan, 0.7);
                }
            }
        }
    }
}
