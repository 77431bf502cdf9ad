#include "shell/PopoverRules.h"

#include <algorithm>
#include <cmath>

namespace tarvel {

PopoverSize adaptivePopoverSize(std::optional<double> visibleHeight) {
    if (!visibleHeight) return {kPopoverWidth, kPopoverMaxHeight};
    return {kPopoverWidth,
            std::min(std::max(*visibleHeight - 100, kPopoverMinHeight), kPopoverMaxHeight)};
}

bool popoverNeedsResize(const PopoverSize& last, const PopoverSize& next, bool warm) {
    return !warm || std::fabs(next.width - last.width) > kPopoverSizeTolerance ||
           std::fabs(next.height - last.height) > kPopoverSizeTolerance;
}

std::optional<double> dashboardWidthAfterPrefsChange(double currentWidth, double cardWidth) {
    const double target = std::max(std::max(400.0, cardWidth), currentWidth);
    if (std::fabs(target - currentWidth) <= kPopoverSizeTolerance) return std::nullopt;
    return target;
}

}  // namespace tarvel
