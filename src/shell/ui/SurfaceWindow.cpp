#include "shell/ui/SurfaceWindow.h"

#include <QPalette>

namespace tarvel {

SurfaceWindow::SurfaceWindow(const QString& title, const QColor& background, QSize size,
                             QSize minimum, QWidget* parent)
    : QMainWindow(parent) {
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose, false);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, QColor::fromRgbF(1, 1, 1, 0.92f));
    setPalette(palette);
    setAutoFillBackground(true);
    setMinimumSize(minimum);
    resize(size);
    setContent(new QWidget);
}

void SurfaceWindow::setContent(QWidget* content) {
    content->setAutoFillBackground(false);
    setCentralWidget(content);  // the previous content is deleted
}

}  // namespace tarvel
