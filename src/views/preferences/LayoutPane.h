#pragma once

#include <vector>

#include "views/preferences/PreferencesPane.h"

namespace tarvel {

class DashboardPrefs;
class LabeledSwitch;
class SegmentedPicker;

// The dashboard's layout: presets, what it shows, its density and width. Every change saves.
class LayoutPane : public PreferencesPane {
    Q_OBJECT

public:
    LayoutPane(DashboardPrefs& prefs, QWidget* parent = nullptr);

private:
    // Shows the preferences as they are (after a preset, or an edit in the dashboard).
    void reload();

    DashboardPrefs& prefs_;
    std::vector<LabeledSwitch*> switches_;
    SegmentedPicker* density_;
    SegmentedPicker* width_;
};

}  // namespace tarvel
