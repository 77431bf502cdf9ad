#pragma once

#include <QColor>
#include <QWidget>

class QLabel;

namespace tarvel {

// A label on the left in the secondary colour and a value on the right in its own colour.
class MonitorRow : public QWidget {
    Q_OBJECT

public:
    MonitorRow(const QString& label, const QString& value, const QColor& valueColor,
               QWidget* parent = nullptr);
    void setValue(const QString& value, const QColor& color);
    QString label() const;
    QString value() const;

private:
    QLabel* label_;
    QLabel* value_;
};

}  // namespace tarvel
