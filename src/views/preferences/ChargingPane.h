#pragma once

#include "views/preferences/PreferencesPane.h"

class QLabel;
class QPushButton;

namespace tarvel {

class ChargeLimitController;
class CommitSlider;
class LabeledSwitch;

// The charge limit: management on or off, the limit, the two overrides and the controller's
// status, following the controller live.
class ChargingPane : public PreferencesPane {
    Q_OBJECT

public:
    ChargingPane(ChargeLimitController& charge, QWidget* parent = nullptr);

private:
    void reload();
    void showLimit(int percent);

    ChargeLimitController& charge_;
    LabeledSwitch* manage_;
    QLabel* limitLabel_;
    CommitSlider* limit_;
    QPushButton* chargeToFull_;
    QPushButton* discharge_;
    QPushButton* stopOverride_;
    QLabel* appMode_;
    QLabel* detail_;
    QLabel* lastError_;
    QLabel* backend_;
    QLabel* noDischarge_;  // why the discharge button is off
};

}  // namespace tarvel
