#include "views/components/TarvelText.h"

namespace tarvel {

QFont tarvelFont(int pixels, QFont::Weight weight) {
    QFont font;
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

QLabel* plainLabel(const QString& text, int pixels, const QColor& color, QWidget* parent,
                   QFont::Weight weight) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setText(text);
    label->setFont(tarvelFont(pixels, weight));
    setTextColor(label, color);
    return label;
}

QString plainToolTip(const QString& text) {
    return "<p style='white-space:pre'>" + text.toHtmlEscaped() + "</p>";
}

QString fixed(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

}  // namespace tarvel
