#include "shell/ui/DarkAppearance.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

#include "shell/ui/SurfaceColors.h"

namespace tarvel {

void applyDarkAppearance() {
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    const QColor text = QColor::fromRgbF(1, 1, 1, 0.92f);
    const QColor dimmed = QColor::fromRgbF(1, 1, 1, 0.38f);
    const QColor control = QColor::fromRgbF(0.10f, 0.10f, 0.14f);
    QPalette p;
    p.setColor(QPalette::Window, kDashboardBackground);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, control);
    p.setColor(QPalette::AlternateBase, QColor::fromRgbF(0.14f, 0.14f, 0.18f));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, control);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::ToolTipBase, control);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Highlight, QColor::fromRgbF(0.35f, 0.75f, 1.0f));
    p.setColor(QPalette::HighlightedText, Qt::black);
    p.setColor(QPalette::PlaceholderText, dimmed);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, dimmed);
    QApplication::setPalette(p);
}

}  // namespace tarvel
