#pragma once

#include <QDBusConnection>

#include "platform/NotificationCenter.h"

namespace tarvel {

// Local notifications through org.freedesktop.Notifications on the session bus.
//
// The default sound is asked for with the sound-naming hint "sound-name" =
// "message-new-instant"; the notification's identifier travels in the "x-tarvel-id" hint
// so that it can be matched again. The call is not waited for: a missing service or an error
// reply just means nothing is shown. The desktop needs no permission, so requesting it does
// nothing.
class DBusNotificationCenter final : public NotificationCenter {
public:
    static constexpr const char* kService = "org.freedesktop.Notifications";
    static constexpr const char* kPath = "/org/freedesktop/Notifications";
    static constexpr const char* kInterface = "org.freedesktop.Notifications";
    static constexpr const char* kAppName = "Tarvel";
    static constexpr const char* kSoundHint = "sound-name";
    static constexpr const char* kDefaultSound = "message-new-instant";
    static constexpr const char* kIdentifierHint = "x-tarvel-id";

    explicit DBusNotificationCenter(QDBusConnection bus = QDBusConnection::sessionBus());

    void requestAuthorization() override {}
    void add(const LocalNotification& notification) override;

private:
    QDBusConnection bus_;
};

}  // namespace tarvel
