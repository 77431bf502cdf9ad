#pragma once

#include <array>

namespace tarvel {

// The panes of the preferences window, in sidebar order.
enum class PreferencesSection { menuBar, layout, charging, alerts, weather, chat, about };

struct PreferencesSectionInfo {
    PreferencesSection section;
    const char* id;  // the stored form
    const char* title;
    const char* symbol;  // a TarvelSymbol name
};

inline constexpr std::array<PreferencesSectionInfo, 7> kPreferencesSections{{
    {PreferencesSection::menuBar, "menuBar", "Menu Bar", "menubar.rectangle"},
    {PreferencesSection::layout, "layout", "Layout", "rectangle.3.group"},
    {PreferencesSection::charging, "charging", "Charging", "battery.100.bolt"},
    {PreferencesSection::alerts, "alerts", "Alerts", "bell.badge"},
    {PreferencesSection::weather, "weather", "Weather", "cloud.sun"},
    {PreferencesSection::chat, "chat", "AI", "bubble.left.and.bubble.right"},
    {PreferencesSection::about, "about", "About", "info.circle"},
}};

constexpr const PreferencesSectionInfo& info(PreferencesSection section) {
    return kPreferencesSections[static_cast<std::size_t>(section)];
}

}  // namespace tarvel
