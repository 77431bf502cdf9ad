#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QString>
#include <string>

#include "views/TarvelTheme.h"

namespace tarvel {

// A font of `pixels` size in the application's family.
QFont tarvelFont(int pixels, QFont::Weight weight = QFont::Normal);

// A label that shows its text as it is: names and summaries from outside are never read as
// markup.
QLabel* plainLabel(const QString& text, int pixels, const QColor& color, QWidget* parent = nullptr,
                   QFont::Weight weight = QFont::Normal);
inline QLabel* plainLabel(const QString& text, int pixels, const Rgba& color,
                          QWidget* parent = nullptr, QFont::Weight weight = QFont::Normal) {
    return plainLabel(text, pixels, color.color(), parent, weight);
}

void setTextColor(QWidget* widget, const QColor& color);

// A tooltip that shows `text` as written: Qt reads anything that looks like markup in a tooltip
// as markup.
QString plainToolTip(const QString& text);

inline QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// "%.1f W"-style numbers without the locale's separators.
QString fixed(double value, int decimals);

}  // namespace tarvel
