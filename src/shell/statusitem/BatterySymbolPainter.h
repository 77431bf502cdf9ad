#pragma once

#include <QRectF>
#include <QSizeF>
#include <string>

class QPainter;

namespace tarvel {

// The battery symbols drawn in the status item: "battery.0|25|50|75|100" with an optional
// ".bolt", and "powerplug.fill".

// A symbol's size in pixels at scale 1, as the status item's symbol box starts from.
QSizeF batterySymbolNaturalSize(const std::string& name);

// Paints the symbol into `rect` in opaque black over a transparent area (the bolt clears a
// gap around itself); the caller tints it. Unknown names paint an empty battery.
void paintBatterySymbol(QPainter& painter, const QRectF& rect, const std::string& name);

}  // namespace tarvel
