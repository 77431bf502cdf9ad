#pragma once

#include <QDBusConnection>

#include "platform/SleepWakeEvents.h"

namespace tarvel {

// System sleep from logind's PrepareForSleep on the system bus; display sleep from the screen
// saver's ActiveChanged on the session bus (GNOME's or the freedesktop one), the closest thing
// Linux desktops share. Buses that are not there simply deliver nothing.
class LogindSleepWakeEvents final : public SleepWakeEvents {
    Q_OBJECT
public:
    LogindSleepWakeEvents(QDBusConnection systemBus, QDBusConnection sessionBus,
                          QObject* parent = nullptr);

private slots:
    void onPrepareForSleep(bool sleeping);
    void onScreenSaverActive(bool active);
};

}  // namespace tarvel
