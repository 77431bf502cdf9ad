#pragma once

#include <QColor>
#include <QPixmap>
#include <QRectF>
#include <QStringList>
#include <QWidget>

class QPainter;

namespace tarvel {

// The small line symbols the views use, drawn by the project (no icon theme is assumed), by
// name: "bolt.fill", "cpu", "leaf", "leaf.fill", "questionmark.circle", "gearshape",
// "chevron.down", "chevron.right", "slider.horizontal.3", "arrow.up.right", "menubar.rectangle",
// "rectangle.3.group", "battery.100.bolt", "bell.badge", "cloud.sun",
// "bubble.left.and.bubble.right", "info.circle", "app" (the generic application glyph).
namespace TarvelSymbol {

// Every name above.
QStringList names();
bool has(const QString& name);
// Draws `name` fitted into `box` (kept square, centred) in `color`. An unknown name draws
// nothing.
void paint(QPainter& painter, const QRectF& box, const QString& name, const QColor& color);
// `name` as a square pixmap of `size` logical pixels at `devicePixelRatio`.
QPixmap pixmap(const QString& name, const QColor& color, int size, qreal devicePixelRatio = 1);

}  // namespace TarvelSymbol

// A fixed-size widget showing one symbol.
class SymbolView : public QWidget {
    Q_OBJECT

public:
    SymbolView(const QString& name, const QColor& color, int size, QWidget* parent = nullptr);
    void setSymbol(const QString& name);
    void setColor(const QColor& color);
    const QString& symbol() const { return name_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString name_;
    QColor color_;
};

}  // namespace tarvel
