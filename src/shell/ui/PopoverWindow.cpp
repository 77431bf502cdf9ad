#include "shell/ui/PopoverWindow.h"

#include <QCursor>
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
    const QPoint at = anchor.isEmpty() ? QCursor::pos() : anchor.center();
    QScreen* screen = QGuiApplication::screenAt(at);
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, width(), height());
    // Centred under the icon (or the pointer); above it when the tray sits at the bottom.
    int x = at.x() - width() / 2;
    int y = anchor.isEmpty() ? at.y() : anchor.bottom() + 4;
    if (y + height() > area.bottom()) y = (anchor.isEmpty() ? at.y() : anchor.top() - 4) - height();
    x = std::clamp(x, area.left(), std::max(area.left(), area.right() - width() + 1));
    y = std::clamp(y, area.top(), std::max(area.top(), area.bottom() - height() + 1));
    move(x, y);
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
