#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
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

// Tells a single activation of the tray icon from a double click. X11 trays report the second
// press of a double click as one; StatusNotifier hosts report every press as an activation
// (waybar sends three for one double click: press, press and the double press). A second
// activation within the desktop's double-click interval is the double click; the rest of the
// same gesture does nothing.
class TrayClickInterpreter {
public:
    enum class Gesture { single, doubleClick, none };

    // An activation at `now`, `interval` seconds being the double-click interval.
    Gesture activation(double now, double interval);
    // The host's own double click at `now`.
    Gesture doubleClick(double now, double interval);

private:
    double lastAt_ = -1e9;
    bool lastWasDouble_ = false;
};

// Where the popover of `size` opens on a screen of `screen` (its area outside the panels:
// `available`). With an anchor (the tray icon's geometry, or the point the host says was
// clicked), next to it on the side away from the nearest screen edge, centred on it along that
// edge. Without one, at the tray end of the edge whose panel took space (the right end of a
// top or bottom panel, the bottom end of a side one); the top right when no panel is known.
// Always inside the available area.
QPoint popoverOrigin(const QRect& anchor, const QRect& screen, const QRect& available, QSize size);

// The dashboard's card widths, in pixels: narrow, regular and wide.
inline constexpr double kCardWidthNarrow = 360, kCardWidthRegular = 440, kCardWidthWide = 520;

// The width the dashboard window takes after its card width preference changed: at least 400
// and the card width, never narrower than it is now. None when the change is 8 pixels or less.
std::optional<double> dashboardWidthAfterPrefsChange(double currentWidth, double cardWidth);

}  // namespace tarvel
