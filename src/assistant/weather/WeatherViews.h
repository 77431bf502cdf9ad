#pragma once

#include <memory>

namespace tarvel {

class LocationSource;
class WeatherStore;
struct ViewServices;

// The desktop's location service, named to it by the application id.
std::unique_ptr<LocationSource> desktopLocationSource();

// Puts the popover's weather section and the preferences' weather pane over `store` into the
// views' services; the store must outlive every view.
void installWeatherViews(ViewServices& services, WeatherStore& store);

}  // namespace tarvel
