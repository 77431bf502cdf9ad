#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;

namespace tarvel {

class PlusChatModel;

// The OpenRouter model: one of the suggested ids or a custom one, and the one in use.
class PlusOpenRouterModelPicker : public QWidget {
    Q_OBJECT

public:
    explicit PlusOpenRouterModelPicker(PlusChatModel& model, QWidget* parent = nullptr);

private:
    void refresh();

    PlusChatModel& model_;
    QComboBox* presets_;
    QLineEdit* custom_;
    QLabel* active_;
};

}  // namespace tarvel
