#pragma once

#include <QObject>
#include <QString>

namespace tarvel {

// The application's own notifications: requests from views and settings to the delegate, posted
// with no object and no user info.
inline constexpr const char* tarvelRebuildStatusItem = "tarvelpro.rebuildStatusItem";
inline constexpr const char* tarvelOpenDashboard = "tarvelpro.openDashboard";
inline constexpr const char* tarvelOpenPreferences = "tarvelpro.openPreferences";
inline constexpr const char* tarvelMenuBarDisplayChanged = "tarvelpro.menuBarDisplayChanged";
inline constexpr const char* tarvelDashboardPrefsChanged = "tarvelpro.dashboardPrefsChanged";
inline constexpr const char* tarvelCloseDashboard = "tarvelpro.closeDashboard";
inline constexpr const char* tarvelClosePopover = "tarvelpro.closePopover";

// The one in-process notification centre. Observers connect to `posted` (on the main thread,
// with this object or a receiver as context, so a receiver that is gone hears nothing).
class AppNotificationCenter : public QObject {
    Q_OBJECT

public:
    static AppNotificationCenter& instance();

    void post(const char* name) { emit posted(QString::fromUtf8(name)); }

signals:
    void posted(const QString& name);
};

// Posts one of the names above.
inline void postAppNotification(const char* name) {
    AppNotificationCenter::instance().post(name);
}

}  // namespace tarvel
