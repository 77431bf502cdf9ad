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

TrayClickInterpreter::Gesture TrayClickInterpreter::activation(double now, double interval) {
    const bool quick = now - lastAt_ < interval;
    lastAt_ = now;
    if (quick && lastWasDouble_) return Gesture::none;
    lastWasDouble_ = quick;
    return quick ? Gesture::doubleClick : Gesture::single;
}

TrayClickInterpreter::Gesture TrayClickInterpreter::doubleClick(double now, double interval) {
    const bool repeated = lastWasDouble_ && now - lastAt_ < interval;
    lastAt_ = now;
    lastWasDouble_ = true;
    return repeated ? Gesture::none : Gesture::doubleClick;
}

QPoint popoverOrigin(const QRect& anchor, const QRect& screen, const QRect& available, QSize size) {
    constexpr int kGap = 4;
    const int w = size.width(), h = size.height();
    int x = 0, y = 0;
    if (!anchor.isEmpty()) {
        const int toTop = anchor.top() - screen.top(), toBottom = screen.bottom() - anchor.bottom();
        const int toLeft = anchor.left() - screen.left(), toRight = screen.right() - anchor.right();
        const int nearest = std::min({toTop, toBottom, toLeft, toRight});
        x = anchor.center().x() - w / 2;
        y = anchor.center().y() - h / 2;
        if (nearest == toTop)
            y = anchor.bottom() + 1 + kGap;
        else if (nearest == toBottom)
            y = anchor.top() - kGap - h;
        else if (nearest == toLeft)
            x = anchor.right() + 1 + kGap;
        else
            x = anchor.left() - kGap - w;
    } else {
        // The panel is where the available area gave up most of the screen.
        const int top = available.top() - screen.top(),
                  bottom = screen.bottom() - available.bottom();
        const int left = available.left() - screen.left(),
                  right = screen.right() - available.right();
        const int widest = std::max({top, bottom, left, right});
        x = available.right() + 1 - kGap - w;
        y = available.top() + kGap;
        if (widest > 0 && widest == bottom)
            y = available.bottom() + 1 - kGap - h;
        else if (widest > 0 && widest == left)
            x = available.left() + kGap, y = available.bottom() + 1 - kGap - h;
        else if (widest > 0 && widest == right)
            y = available.bottom() + 1 - kGap - h;
    }
    x = std::clamp(x, available.left(), std::max(available.left(), available.right() + 1 - w));
    y = std::clamp(y, available.top(), std::max(available.top(), available.bottom() + 1 - h));
    return {x, y};
}

std::optional<double> dashboardWidthAfterPrefsChange(double currentWidth, double cardWidth) {
    const double target = std::max(std::max(400.0, cardWidth), currentWidth);
    if (std::fabs(target - currentWidth) <= kPopoverSizeTolerance) return std::nullopt;
    return target;
}

}  // namespace tarvel
