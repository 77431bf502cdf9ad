#pragma once

#include <QColor>

namespace tarvel {

// A colour as sRGB components and opacity, 0…1.
struct Rgba {
    double r = 0, g = 0, b = 0, a = 1;

    QColor color() const { return QColor::fromRgbF(float(r), float(g), float(b), float(a)); }
};

constexpr Rgba whiteAt(double opacity) {
    return {1, 1, 1, opacity};
}

// The colours every surface uses; all are meant for a dark background.
namespace TarvelColor {
inline constexpr Rgba bg{0.05, 0.05, 0.08};
inline constexpr Rgba card{0.10, 0.10, 0.14};
inline constexpr Rgba cardElevated{0.14, 0.14, 0.18};
inline constexpr Rgba border = whiteAt(0.12);
inline constexpr Rgba divider = whiteAt(0.08);
inline constexpr Rgba labelPrimary = whiteAt(0.92);
inline constexpr Rgba labelSecondary = whiteAt(0.55);
inline constexpr Rgba labelTertiary = whiteAt(0.38);
inline constexpr Rgba accent{0.35, 0.75, 1.0};
inline constexpr Rgba nGreen{0.10, 1.0, 0.50};
inline constexpr Rgba nOrange{1.0, 0.55, 0.10};
inline constexpr Rgba nRed{1.0, 0.25, 0.25};
inline constexpr Rgba nPurple{0.72, 0.45, 1.0};
inline constexpr Rgba nBlueish = whiteAt(0.55);
}  // namespace TarvelColor

// Font sizes in pixels at scale 1.
namespace TarvelType {
inline constexpr int hero = 28;
inline constexpr int title = 13;
inline constexpr int body = 13;
inline constexpr int caption = 12;
inline constexpr int micro = 11;
inline constexpr int label = 10;
}  // namespace TarvelType

// Spacings in pixels at scale 1.
namespace TarvelSpace {
inline constexpr int padH = 20;
inline constexpr int padHTight = 16;
inline constexpr int section = 14;
inline constexpr int row = 8;
inline constexpr int hairline = 16;
}  // namespace TarvelSpace

}  // namespace tarvel
