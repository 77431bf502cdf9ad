#pragma once

#include <QWidget>
#include <functional>

namespace tarvel {

struct ViewServices;

// Closes the popover first, then runs `action` 50 ms later on the main thread, so what it opens
// is not hidden or re-focused by the closing popover. Dropped if `context` is gone by then.
void runAfterClosingPopover(QObject* context, std::function<void()> action);

// The list style's closing menu: the companion app, "Settings", "Full Window", "Open Battery
// Settings…" and "Quit Tarvel Pro".
class PopoverMenuActions : public QWidget {
    Q_OBJECT

public:
    // `context` outlives this widget across style rebuilds and carries the deferred actions.
    PopoverMenuActions(ViewServices& services, QObject* context, QWidget* parent = nullptr);
};

}  // namespace tarvel
