#pragma once

#include "views/preferences/PreferencesPane.h"

namespace tarvel {

// The weather pane until local weather is built.
class WeatherPane : public PreferencesPane {
    Q_OBJECT

public:
    explicit WeatherPane(QWidget* parent = nullptr);
};

// The assistant pane until chat with the user's own provider keys is built.
class ChatPane : public PreferencesPane {
    Q_OBJECT

public:
    explicit ChatPane(QWidget* parent = nullptr);
};

}  // namespace tarvel
