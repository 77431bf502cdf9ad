#include "shell/ui/MainMenu.h"

#include <QApplication>
#include <QKeySequence>
#include <QMenuBar>

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

}  // namespace

void installMainMenu(QMenuBar& bar, const MainMenuActions& actions) {
    bar.clear();
    QMenu* app = bar.addMenu("Tarvel");
    app->addAction("Full Window", QKeySequence("Ctrl+D"), actions.openDashboard);
    app->addAction("Preferences…", QKeySequence("Ctrl+,"), actions.openPreferences);
    app->addAction("Close Window", QKeySequence("Ctrl+W"), actions.closeDashboard);
    app->addSeparator();
    app->addAction("Quit Tarvel Pro", QKeySequence("Ctrl+Q"), actions.quit);

    QMenu* edit = bar.addMenu("Edit");
    addEditCommand(*edit, "Undo", QKeySequence("Ctrl+Z"), "undo");
    addEditCommand(*edit, "Redo", QKeySequence("Ctrl+Shift+Z"), "redo");
    edit->addSeparator();
    addEditCommand(*edit, "Cut", QKeySequence("Ctrl+X"), "cut");
    addEditCommand(*edit, "Copy", QKeySequence("Ctrl+C"), "copy");
    addEditCommand(*edit, "Paste", QKeySequence("Ctrl+V"), "paste");
    addEditCommand(*edit, "Delete", QKeySequence(), "del");
    addEditCommand(*edit, "Select All", QKeySequence("Ctrl+A"), "selectAll");
}

}  // namespace tarvel
