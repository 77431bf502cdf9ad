#pragma once

#include <QWidget>

#include "views/prefs/LayoutToggles.h"

namespace tarvel {

class LabeledSwitch;
class SegmentedPicker;

// The controls that edit the dashboard layout, shared by the customize panel and the Layout
// pane: each writes its field and saves at once.
SegmentedPicker* densityPicker(DashboardPrefs& prefs, QWidget* parent);
SegmentedPicker* widthPicker(DashboardPrefs& prefs, QWidget* parent);
LabeledSwitch* layoutSwitch(DashboardPrefs& prefs, const LayoutToggle& toggle, QWidget* parent);

}  // namespace tarvel
