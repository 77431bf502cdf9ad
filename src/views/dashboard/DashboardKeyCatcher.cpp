#include "views/dashboard/DashboardKeyCatcher.h"

#include <QApplication>
#include <QKeyEvent>

namespace tarvel {

DashboardKeyCatcher::DashboardKeyCatcher(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(0, 0);
}

DashboardKeyCatcher::~DashboardKeyCatcher() {
    setWatching(false);
}

void DashboardKeyCatcher::setWatching(bool on) {
    if (on == watching_) return;
    watching_ = on;
    if (on)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool DashboardKeyCatcher::isEscape(const QKeyEvent& event) {
    return event.key() == Qt::Key_Escape && event.modifiers() == Qt::NoModifier;
}

bool DashboardKeyCatcher::isComma(const QKeyEvent& event) {
    const auto modifiers = event.modifiers() & ~Qt::KeypadModifier;
    return event.key() == Qt::Key_Comma && modifiers == Qt::ControlModifier;
}

bool DashboardKeyCatcher::take(const QKeyEvent& event) {
    if (isEscape(event)) {
        emit escapePressed();
        return true;
    }
    if (isComma(event)) {
        emit commaPressed();
        return true;
    }
    return false;
}

bool DashboardKeyCatcher::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (isEscape(*key) || isComma(*key)) {
            event->accept();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && take(*static_cast<QKeyEvent*>(event))) return true;
    return QWidget::event(event);
}

bool DashboardKeyCatcher::inOurWindow(QObject* object) const {
    auto* widget = qobject_cast<QWidget*>(object);
    return widget && widget != this && widget->window() == window();
}

bool DashboardKeyCatcher::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if ((type == QEvent::ShortcutOverride || type == QEvent::KeyPress) && inOurWindow(watched)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (isEscape(*key) || isComma(*key)) {
            // Overriding the shortcut hands the key to the focus widget as a key press,
            // which is then ours.
            if (type == QEvent::ShortcutOverride) {
                event->accept();
                return true;
            }
            return take(*key);
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace tarvel
