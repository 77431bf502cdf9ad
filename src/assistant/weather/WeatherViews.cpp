#include "assistant/weather/WeatherViews.h"

#include "assistant/weather/GeoClueLocationSource.h"
#include "assistant/weather/PlusPrefsWeatherPane.h"
#include "assistant/weather/PlusWeatherSection.h"
#include "shell/ApplicationId.h"
#include "views/ViewServices.h"

namespace tarvel {

std::unique_ptr<LocationSource> desktopLocationSource() {
    return std::make_unique<GeoClueLocationSource>(QString::fromLatin1(kApplicationId));
}

void installWeatherViews(ViewServices& services, WeatherStore& store) {
    services.assistant.weatherSection = [&store](QWidget* parent) {
        return new PlusWeatherSection(store, parent);
    };
    services.assistant.weatherPane = [&store] { return new PlusPrefsWeatherPane(store); };
}

}  // namespace tarvel
