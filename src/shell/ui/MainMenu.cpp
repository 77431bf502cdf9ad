#include "shell/ui/MainMenu.h"

#include <QApplication>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace tarvel {

namespace {

// The standard editing commands go to whichever widget has the focus.
void addEditCommand(QMenu& menu, const QString& title, QKeySequence keys, const char* slot) {
    QAction* action = menu.addAction(title);
    action->setShortcut(keys);
    QObject::connect(action, &QAction::triggered, [slot] {
        if (QWidget* focus = QApplication::focusWidget())
            QMetaObject::invokeMethod(focus, slot, Qt::DirectConnection);
    });
}

// Removes the selected text of the focused editor; no editor has a slot for it.
void deleteSelection() {
    QWidget* focus = QApplication::focusWidget();
    if (auto* line = qobject_cast<QLineEdit*>(focus)) {
        if (line->hasSelectedText() && !line->isReadOnly()) line->del();
    } else if (auto* text = qobject_cast<QTextEdit*>(focus)) {
        if (!text->isReadOnly()) text->textCursor().removeSelectedText();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(focus)) {
        if (!plain->isReadOnly()) plain->textCursor().removeSelectedText();
    }
}

}  // namespace

void installMainMenu(QMenuBar& bar, const MainMenuActions& actions) {
    bar.clear();
    QMenu* app = bar.addMenu("Tarvel");
    app->addAction("Full Window", QKeySequence("Ctrl+D"), actions.openDashboard);
    app->addAction("Preferences…", QKeySequence("Ctrl+,"), actions.openPreferences);
    app->addAction("Close Window", QKeySequence("Ctrl+W"), actions.closeWindow);
    app->addSeparator();
    app->addAction("Quit Tarvel Pro", QKeySequence("Ctrl+Q"), actions.quit);

    QMenu* edit = bar.addMenu("Edit");
    addEditCommand(*edit, "Undo", QKeySequence("Ctrl+Z"), "undo");
    addEditCommand(*edit, "Redo", QKeySequence("Ctrl+Shift+Z"), "redo");
    edit->addSeparator();
    addEditCommand(*edit, "Cut", QKeySequence("Ctrl+X"), "cut");
    addEditCommand(*edit, "Copy", QKeySequence("Ctrl+C"), "copy");
    addEditCommand(*edit, "Paste", QKeySequence("Ctrl+V"), "paste");
    edit->addAction("Delete", [] { deleteSelection(); });
    addEditCommand(*edit, "Select All", QKeySequence("Ctrl+A"), "selectAll");
}

}  // namespace tarvel
