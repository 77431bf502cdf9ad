#pragma once

#include <vector>

#include "views/components/CardFrame.h"

class QPushButton;

namespace tarvel {

class DashboardPrefs;
class LabeledSwitch;
class SegmentedPicker;

// The layout editor shown over the dashboard: presets, one switch per card or row, and the
// density and width pickers. Every change is saved at once.
class DashboardCustomizePanel : public CardFrame {
    Q_OBJECT

public:
    explicit DashboardCustomizePanel(DashboardPrefs& prefs, QWidget* parent = nullptr);

    // Shows the preferences' present values (after a preset or an edit elsewhere).
    void syncFromPrefs();
    // The height that shows everything without scrolling.
    int preferredHeight() const;
    QPushButton* doneButton() const { return done_; }
    const std::vector<LabeledSwitch*>& switches() const { return switches_; }
    SegmentedPicker* densityPicker() const { return density_; }
    SegmentedPicker* widthPicker() const { return width_; }

signals:
    void done();

private:
    DashboardPrefs& prefs_;
    QWidget* body_;
    QPushButton* done_;
    std::vector<LabeledSwitch*> switches_;
    SegmentedPicker* density_;
    SegmentedPicker* width_;
};

}  // namespace tarvel
