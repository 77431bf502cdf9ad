#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace tarvel {

class PlusChatModel;
class PlusOpenRouterModelPicker;
class PlusPasteableKeyField;
struct PlusChatMessage;

// The chat: a header with the model in use, an optional key editor, the latest messages, the
// input row and the status line with export and clear.
class PlusChatSection : public QWidget {
    Q_OBJECT

public:
    // Older messages stay in the conversation but are not listed.
    static constexpr int kShownMessages = 12;

    explicit PlusChatSection(PlusChatModel& model, QWidget* parent = nullptr);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* buildKeyEditor();
    void fitConversation();
    QWidget* bubble(const PlusChatMessage& message);
    void setKeysShown(bool shown);
    void refreshMessages();
    void refreshInput();
    void refreshProvider();

    PlusChatModel& model_;
    bool showKeys_ = false;
    QLabel* modelLabel_;
    QPushButton* keysButton_;
    QWidget* keyEditor_ = nullptr;
    QComboBox* providerPicker_ = nullptr;
    PlusOpenRouterModelPicker* modelPicker_ = nullptr;
    PlusPasteableKeyField* keyField_ = nullptr;
    QScrollArea* scroll_;
    QVBoxLayout* list_;
    QLineEdit* input_;
    QPushButton* send_;
    QLabel* status_;
};

}  // namespace tarvel
