#pragma once

#include "views/preferences/PreferencesPane.h"

namespace tarvel {

class WeatherStore;

// The preferences' weather pane: what the weather uses, and a card with the current
// conditions and "Refresh weather".
class PlusPrefsWeatherPane : public PreferencesPane {
    Q_OBJECT

public:
    explicit PlusPrefsWeatherPane(WeatherStore& store, QWidget* parent = nullptr);

private slots:
    void refresh();

private:
    WeatherStore& store_;
    QLabel* summary_;
    QLabel* detail_;
    QLabel* place_;
    QLabel* error_;
};

}  // namespace tarvel
