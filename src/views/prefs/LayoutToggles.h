#pragma once

#include <array>

#include "views/prefs/DashboardPrefs.h"

namespace tarvel {

// The dashboard's "show" switches, in the order the customize panel and the Layout pane list
// them.
struct LayoutToggle {
    const char* title;
    bool DashboardPrefs::*field;
};

inline constexpr std::array<LayoutToggle, 12> kLayoutToggles{{
    {"Large battery %", &DashboardPrefs::largePercent},
    {"Power draw line", &DashboardPrefs::showPackageLine},
    {"Time remaining", &DashboardPrefs::showTimeRemaining},
    {"Power section", &DashboardPrefs::showPowerSource},
    {"Energy Mode", &DashboardPrefs::showEnergyMode},
    {"What’s using power", &DashboardPrefs::showAppsRow},
    {"Why did battery drop?", &DashboardPrefs::showWhyRow},
    {"Power chart", &DashboardPrefs::showSparkline},
    {"Power distribution", &DashboardPrefs::showPowerDistribution},
    {"Full app list", &DashboardPrefs::showTopAppsList},
    {"Why-drain details", &DashboardPrefs::showWhyDetail},
    {"Health & cycles", &DashboardPrefs::showHealth},
}};

// The three preset buttons and the names they apply.
struct LayoutPreset {
    const char* title;
    const char* name;
};
inline constexpr std::array<LayoutPreset, 3> kLayoutPresets{{
    {"Simple", "minimal"},
    {"Detailed", "mock"},
    {"Pro", "full"},
}};
inline constexpr const char* kPresetsCaption =
    "Simple = essentials. Detailed = charts + apps. Pro = everything.";

}  // namespace tarvel
