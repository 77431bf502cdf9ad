#pragma once

#include <optional>

namespace tarvel {

inline constexpr double kPopoverWidth = 300;
inline constexpr double kPopoverMinHeight = 400;
inline constexpr double kPopoverMaxHeight = 520;
// A close followed this soon by a click on the tray icon is the same click: do not reopen.
inline constexpr double kPopoverReopenGuard = 0.35;
// Size changes smaller than this are not worth rebuilding the popover's content.
inline constexpr double kPopoverSizeTolerance = 8;

struct PopoverSize {
    double width = 0;
    double height = 0;
    bool operator==(const PopoverSize&) const = default;
};

// The popover's size on a screen whose visible area is `visibleHeight` high (none: no screen
// known): 300 wide, the visible height less 100, within 400…520.
PopoverSize adaptivePopoverSize(std::optional<double> visibleHeight);

// Whether a popover last given `last` must take `next`: a cold popover always, a warm one only
// when either side moved by more than the tolerance.
bool popoverNeedsResize(const PopoverSize& last, const PopoverSize& next, bool warm);

// Remembers when the popover closed, so the click that closed it does not reopen it.
class PopoverReopenGuard {
public:
    void noteClosed(double now) { closedAt_ = now; }
    bool mayOpen(double now) const { return now - closedAt_ >= kPopoverReopenGuard; }

private:
    double closedAt_ = -1e9;
};

// The dashboard's card widths, in pixels: narrow, regular and wide.
inline constexpr double kCardWidthNarrow = 360, kCardWidthRegular = 440, kCardWidthWide = 520;

// The width the dashboard window takes after its card width preference changed: at least 400
// and the card width, never narrower than it is now. None when the change is 8 pixels or less.
std::optional<double> dashboardWidthAfterPrefsChange(double currentWidth, double cardWidth);

}  // namespace tarvel
