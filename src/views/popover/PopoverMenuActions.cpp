#include "views/popover/PopoverMenuActions.h"

#include <QTimer>
#include <QVBoxLayout>

#include "shell/AppNotifications.h"
#include "views/ViewServices.h"
#include "views/components/KivoRows.h"
#include "views/components/TarvelText.h"

namespace tarvel {

void runAfterClosingPopover(QObject* context, std::function<void()> action) {
    postAppNotification(tarvelClosePopover);
    QTimer::singleShot(50, context, [action = std::move(action)] {
        if (action) action();
    });
}

PopoverMenuActions::PopoverMenuActions(ViewServices& services, QObject* context, QWidget* parent)
    : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    ViewServices::Actions& actions = services.actions;
    const auto add = [&](const QString& title, std::function<void()> action) {
        auto* entry = new KivoMenuAction(title, {}, false, this);
        connect(entry, &QAbstractButton::clicked, context,
                [context, action] { runAfterClosingPopover(context, action); });
        column->addWidget(entry);
    };
    add(qs(actions.tarvelProTitle), [&actions] { runAction(actions.openTarvelPro); });
    add("Settings", [] { postAppNotification(tarvelOpenPreferences); });
    add("Full Window", [] { postAppNotification(tarvelOpenDashboard); });
    add("Open Battery Settings…", [&actions] {
        if (actions.openBatterySettings) actions.openBatterySettings();
    });
    add("Quit Tarvel Pro", [&actions] { runAction(actions.quit); });
}

}  // namespace tarvel
