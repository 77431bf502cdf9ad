#include "views/preferences/PlaceholderPanes.h"

#include <QVBoxLayout>

namespace tarvel {

WeatherPane::WeatherPane(QWidget* parent)
    : PreferencesPane("Weather", "Local conditions next to your battery.", parent) {
    addCard()->addWidget(preferencesNote("Local weather arrives in a later version.", this));
}

ChatPane::ChatPane(QWidget* parent)
    : PreferencesPane("AI", "Chat and provider keys.", parent) {
    addCard()->addWidget(
        preferencesNote("Chat with your own AI provider keys arrives in a later version.", this));
}

}  // namespace tarvel
