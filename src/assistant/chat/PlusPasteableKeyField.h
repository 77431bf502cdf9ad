#pragma once

#include <QLineEdit>

namespace tarvel {

// A field for API keys: hidden while typing when secure, and Ctrl+V (or Shift+Insert) pastes
// the clipboard text without the spaces and line breaks a copied key often carries.
class PlusPasteableKeyField : public QLineEdit {
    Q_OBJECT

public:
    PlusPasteableKeyField(const QString& placeholder, bool secure, QWidget* parent = nullptr);

    // Replaces the field's text with the trimmed clipboard text; false with no text to paste.
    bool pasteTrimmed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// The style of the assistant's text fields.
void styleTextField(QLineEdit* field);

}  // namespace tarvel
