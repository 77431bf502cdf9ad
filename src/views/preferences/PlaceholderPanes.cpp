#include "views/preferences/PlaceholderPanes.h"

#include <QVBoxLayout>

#include "views/components/TarvelText.h"

namespace tarvel {

WeatherPane::WeatherPane(QWidget* parent)
    : PreferencesPane("Weather", "Local conditions next to your battery.", parent) {
    addCard()->addWidget(plainLabel("Local weather arrives in a later version.", TarvelType::body,
                                    TarvelColor::labelSecondary, this));
}

ChatPane::ChatPane(QWidget* parent) : PreferencesPane("AI", "Chat and provider keys.", parent) {
    addCard()->addWidget(
        plainLabel("Chat with your own AI provider keys arrives in a later version.",
                   TarvelType::body, TarvelColor::labelSecondary, this));
}

}  // namespace tarvel
