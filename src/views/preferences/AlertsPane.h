#pragma once

#include "views/preferences/PreferencesPane.h"

class QLabel;

namespace tarvel {

class CommitSlider;
class LabeledSwitch;
struct ViewServices;

// The fast-drain notification and the critical battery threshold.
class AlertsPane : public PreferencesPane {
    Q_OBJECT

public:
    AlertsPane(ViewServices& services, QWidget* parent = nullptr);
    // Shows the stored drain-alert flag and critical percent.
    void reload();

private:
    void showCritical(int percent);

    ViewServices& services_;
    LabeledSwitch* drainAlerts_;
    QLabel* criticalLabel_;
    CommitSlider* critical_;
};

}  // namespace tarvel
