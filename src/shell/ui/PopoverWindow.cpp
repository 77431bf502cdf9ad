#include "shell/ui/PopoverWindow.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

#include "shell/ui/SurfaceColors.h"

namespace tarvel {

PopoverWindow::PopoverWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle("Tarvel");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    setFixedSize(int(kPopoverWidth), int(kPopoverMaxHeight));
}

void PopoverWindow::setContent(QWidget* content, const PopoverSize& size) {
    if (content_ && content_ != content) content_->deleteLater();
    content_ = content;
    if (content_) layout()->addWidget(content_);
    setFixedSize(int(size.width), int(size.height));
}

void PopoverWindow::showNear(const QRect& anchor) {
    QScreen* screen = anchor.isEmpty() ? nullptr : QGuiApplication::screenAt(anchor.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (screen)
        move(popoverOrigin(anchor, screen->geometry(), screen->availableGeometry(), size()));
    // On native Wayland the compositor decides where it goes; the move is only a wish.
    show();
    raise();
    activateWindow();
}

void PopoverWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), kPopoverCornerRadius, kPopoverCornerRadius);
    p.fillPath(shape, kPopoverBackground);
}

void PopoverWindow::keyPressEvent(QKeyEvent* event) {
    const bool closeKey =
        event->key() == Qt::Key_Escape ||
        (event->modifiers().testFlag(Qt::ControlModifier) && event->key() == Qt::Key_W);
    if (closeKey) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PopoverWindow::changeEvent(QEvent* event) {
    // A click anywhere else takes the focus away: that closes the popover.
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow()) hide();
    QWidget::changeEvent(event);
}

void PopoverWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit closed();
}

}  // namespace tarvel
