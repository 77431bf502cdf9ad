#pragma once

#include <QWidget>

#include "views/TarvelTheme.h"

namespace tarvel {

// A rounded card: a fill with a hairline border, children laid out inside.
class CardFrame : public QWidget {
    Q_OBJECT

public:
    explicit CardFrame(QWidget* parent = nullptr, double radius = 12,
                       Rgba fill = TarvelColor::card);
    void setRadius(double radius);
    void setFill(const QColor& fill);
    double radius() const { return radius_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double radius_;
    QColor fill_;
};

// A one-pixel line in the divider colour.
class Hairline : public QWidget {
    Q_OBJECT

public:
    explicit Hairline(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace tarvel
