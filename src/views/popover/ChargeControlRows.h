#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace tarvel {

class ChargeLimitController;
class CommitSlider;
class KivoRow;
class LabeledSwitch;

// "Manage charging" and, while it is on, the limit with its slider, the controller's
// explanation and last error, and the two overrides (or the button that stops one).
class ChargeControlRows : public QWidget {
    Q_OBJECT

public:
    explicit ChargeControlRows(ChargeLimitController& charge, QWidget* parent = nullptr);

    CommitSlider* limitSlider() const { return slider_; }

public slots:
    void refresh();

private:
    ChargeLimitController& charge_;
    LabeledSwitch* manage_;
    QWidget* managed_;
    KivoRow* limit_;
    CommitSlider* slider_;
    QLabel* detail_;
    QLabel* error_;
    QWidget* overrides_;
    QPushButton* stop_;
    QPushButton* discharge_;
    QLabel* noDischarge_;  // why discharging is not offered
};

}  // namespace tarvel
