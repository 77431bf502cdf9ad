#include "assistant/weather/PlusWeatherSection.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "assistant/weather/WeatherStore.h"
#include "views/components/Controls.h"
#include "views/components/KivoRows.h"
#include "views/components/TarvelText.h"
#include "views/popover/OnAnyPropertyChange.h"

namespace tarvel {

PlusWeatherSection::PlusWeatherSection(WeatherStore& store, QWidget* parent)
    : QWidget(parent), store_(store) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(5);
    column->addWidget(kivoSectionTitle("Weather", this));
    main_ = new KivoRow(KivoRow::Kind::main, "", "", false, this);
    conditions_ = new KivoRow(KivoRow::Kind::detail, "Conditions", "", false, this);
    error_ = plainLabel("", TarvelType::micro, TarvelColor::labelSecondary, this);
    error_->setWordWrap(true);
    QPushButton* refreshButton = tarvelButton("Refresh weather", ButtonKind::minimal, this);
    refreshButton->setStyleSheet(refreshButton->styleSheet() + "QPushButton{padding:2px 0;}");
    connect(refreshButton, &QPushButton::clicked, this, [this] { store_.refresh(); });
    column->addWidget(main_);
    column->addWidget(conditions_);
    column->addWidget(error_);
    column->addWidget(refreshButton, 0, Qt::AlignLeft);
    onAnyPropertyChange(&store_, this, "refresh()");
    refresh();
}

void PlusWeatherSection::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    store_.start();
}

void PlusWeatherSection::refresh() {
    main_->setLabel(store_.place().isEmpty() ? QString("Local") : store_.place());
    main_->setValue(store_.summary());
    conditions_->setValue(store_.detail());
    conditions_->setVisible(!store_.detail().isEmpty());
    error_->setText(store_.error().value_or(QString()));
    error_->setVisible(store_.error().has_value());
}

}  // namespace tarvel
