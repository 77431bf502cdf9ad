#pragma once

#include <QFont>
#include <QImage>
#include <QRectF>
#include <string>

#include "shell/statusitem/BatteryMenuChrome.h"

namespace tarvel {

// The status item's drawn image: the tinted battery symbol and the status text.
struct MenuBarBatteryIcon {
    static constexpr int kHeight = 20;

    // Where things go in the image, in pixels at scale 1.
    struct Layout {
        std::string text;
        std::string symbol;
        QFont font;
        double fontPixelSize = 0;
        QRectF symbolRect;
        QPointF textOrigin;  // top-left of the text's line box
        double textWidth = 0;
        double textHeight = 0;
        int width = 0;
    };

    // Semibold, 12.5 px for texts shorter than 7 characters, else 11.5 px; equal-width digits.
    static double fontPixelSize(const std::string& text);
    static QFont font(double pixelSize);
    static Layout layout(const StatusItemState& state);

    // The image at `devicePixelRatio` (its size in pixels is the layout's times the ratio).
    static QImage image(const StatusItemState& state, double devicePixelRatio = 1.0);

    // A square for trays that letterbox icons: the same symbol and ink with the display mode's
    // value under it (the level, or the package watts), inside a dark rim that keeps it legible
    // on light and dark panels; `size` pixels a side at scale 1 (16…64 is what trays ask for).
    static QImage trayIcon(const StatusItemState& state, int size, double devicePixelRatio = 1.0);
};

}  // namespace tarvel
