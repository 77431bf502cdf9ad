#pragma once

#include <QPoint>
#include <optional>

namespace tarvel {

// Where a StatusNotifier host says the tray icon was clicked. The host passes the point with
// each Activate call, but QSystemTrayIcon drops it and reports only the activation; Qt writes
// it to its "qt.qpa.tray" debug log just before, on the same thread. So the log is listened to
// (and kept quiet unless the user asked for it): the point logged right before an activation is
// that activation's. Main thread only.
class TrayActivationPoint {
public:
    // Starts listening; once per process, before the tray icon exists.
    static void install();
    // The point logged within the last moment, if any; taking it forgets it.
    static std::optional<QPoint> take();
};

}  // namespace tarvel
