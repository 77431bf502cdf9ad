#pragma once

#include <QColor>

namespace tarvel {

// The backgrounds of the three surfaces (all dark).
inline const QColor kPopoverBackground = QColor::fromRgbF(0.10f, 0.10f, 0.11f);
inline constexpr int kPopoverCornerRadius = 12;
inline const QColor kDashboardBackground = QColor::fromRgbF(0.05f, 0.05f, 0.08f);
inline const QColor kPreferencesBackground = QColor::fromRgbF(0.06f, 0.06f, 0.08f);

}  // namespace tarvel
