#include "assistant/weather/PlusPrefsWeatherPane.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "assistant/weather/WeatherStore.h"
#include "views/components/Controls.h"
#include "views/components/TarvelText.h"
#include "views/popover/OnAnyPropertyChange.h"

namespace tarvel {

PlusPrefsWeatherPane::PlusPrefsWeatherPane(WeatherStore& store, QWidget* parent)
    : PreferencesPane(
          "Weather",
          QString::fromUtf8("Local conditions from your computer’s location (Open-Meteo). "
                            "Nothing is sent to the Tarvel project."),
          parent),
      store_(store) {
    QVBoxLayout* card = addCard();
    card->setSpacing(6);
    summary_ = plainLabel("", TarvelType::body, TarvelColor::labelPrimary, this, QFont::DemiBold);
    detail_ = plainLabel("", TarvelType::body, TarvelColor::labelSecondary, this);
    place_ = plainLabel("", TarvelType::caption, TarvelColor::labelSecondary, this);
    error_ = plainLabel("", TarvelType::caption, TarvelColor::nRed, this);
    for (QLabel* label : {summary_, detail_, place_, error_}) {
        label->setWordWrap(true);
        card->addWidget(label);
    }
    QPushButton* refreshButton = tarvelButton("Refresh weather", ButtonKind::plain, this);
    connect(refreshButton, &QPushButton::clicked, this, [this] { store_.refresh(); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(refreshButton);
    buttons->addStretch(1);
    card->addSpacing(4);
    card->addLayout(buttons);
    onAnyPropertyChange(&store_, this, "refresh()");
    refresh();
}

void PlusPrefsWeatherPane::refresh() {
    summary_->setText(store_.summary());
    detail_->setText(store_.detail());
    detail_->setVisible(!store_.detail().isEmpty());
    place_->setText(store_.place());
    place_->setVisible(!store_.place().isEmpty());
    const QString error = store_.error().value_or(QString());
    error_->setText(error);
    error_->setVisible(!error.isEmpty());
}

}  // namespace tarvel
