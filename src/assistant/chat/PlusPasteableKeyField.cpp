#include "assistant/chat/PlusPasteableKeyField.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>

#include "views/TarvelTheme.h"

namespace tarvel {

namespace {

QString css(const Rgba& c) {
    return QString("rgba(%1,%2,%3,%4)")
        .arg(int(c.r * 255))
        .arg(int(c.g * 255))
        .arg(int(c.b * 255))
        .arg(c.a);
}

}  // namespace

void styleTextField(QLineEdit* field) {
    field->setMinimumHeight(28);
    field->setStyleSheet(QString("QLineEdit{background:%1;color:%2;border:1px solid %3;"
                                 "border-radius:6px;padding:3px 8px;font-size:%4px;}"
                                 "QLineEdit:focus{border-color:%5;}")
                             .arg(css(TarvelColor::cardElevated), css(TarvelColor::labelPrimary),
                                  css(TarvelColor::border))
                             .arg(TarvelType::body)
                             .arg(css(TarvelColor::accent)));
}

PlusPasteableKeyField::PlusPasteableKeyField(const QString& placeholder, bool secure,
                                             QWidget* parent)
    : QLineEdit(parent) {
    setPlaceholderText(placeholder);
    if (secure) setEchoMode(QLineEdit::Password);
    setClearButtonEnabled(false);
    styleTextField(this);
}

bool PlusPasteableKeyField::pasteTrimmed() {
    const QString text = QGuiApplication::clipboard()->text().trimmed();
    if (text.isEmpty() || isReadOnly()) return false;
    // A field holds one key: the pasted one replaces whatever was there.
    setText(text);
    emit textEdited(text);
    return true;
}

void PlusPasteableKeyField::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        pasteTrimmed();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

}  // namespace tarvel
