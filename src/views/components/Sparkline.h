#pragma once

#include <QColor>
#include <QWidget>
#include <vector>

namespace tarvel {

// A line through the values, scaled to the widget.
class Sparkline : public QWidget {
    Q_OBJECT

public:
    explicit Sparkline(QColor color, QWidget* parent = nullptr);
    void setValues(std::vector<double> values);
    const std::vector<double>& values() const { return values_; }
    // The points drawn for `values` in `area` (none for fewer than two finite values).
    static std::vector<QPointF> points(const std::vector<double>& values, const QRectF& area);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_;
    std::vector<double> values_;
};

}  // namespace tarvel
