#include "views/components/MonitorRow.h"

#include <QHBoxLayout>

#include "views/components/TarvelText.h"

namespace tarvel {

MonitorRow::MonitorRow(const QString& label, const QString& value, const QColor& valueColor,
                       QWidget* parent)
    : QWidget(parent),
      label_(plainLabel(label, TarvelType::caption, TarvelColor::labelSecondary, this)),
      value_(plainLabel(value, TarvelType::caption, valueColor, this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(label_);
    row->addStretch(1);
    value_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(value_);
}

void MonitorRow::setValue(const QString& value, const QColor& color) {
    value_->setText(value);
    setTextColor(value_, color);
}

QString MonitorRow::label() const {
    return label_->text();
}

QString MonitorRow::value() const {
    return value_->text();
}

}  // namespace tarvel
