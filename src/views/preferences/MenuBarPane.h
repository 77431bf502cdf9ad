#pragma once

#include "views/preferences/PreferencesPane.h"

namespace tarvel {

class LabeledSwitch;
class SegmentedPicker;
struct ViewServices;

// How the status item looks: its text, and whether the application starts at login. Standing
// in for the desktop's battery icon is shown, switched off, with the reason.
class MenuBarPane : public PreferencesPane {
    Q_OBJECT

public:
    MenuBarPane(ViewServices& services, QWidget* parent = nullptr);
    // Shows the display mode and the launch-at-login state as they are now.
    void reload();

private:
    ViewServices& services_;
    SegmentedPicker* mode_;
    LabeledSwitch* replaceBattery_;
    LabeledSwitch* launchAtLogin_;
};

}  // namespace tarvel
