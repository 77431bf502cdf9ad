#include "platform/linux/LogindSleepWakeEvents.h"

namespace tarvel {

LogindSleepWakeEvents::LogindSleepWakeEvents(QDBusConnection systemBus, QDBusConnection sessionBus,
                                             QObject* parent)
    : SleepWakeEvents(parent) {
    if (systemBus.isConnected())
        systemBus.connect("org.freedesktop.login1", "/org/freedesktop/login1",
                          "org.freedesktop.login1.Manager", "PrepareForSleep", this,
                          SLOT(onPrepareForSleep(bool)));
    if (sessionBus.isConnected()) {
        sessionBus.connect({}, "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", "ActiveChanged",
                           this, SLOT(onScreenSaverActive(bool)));
        sessionBus.connect({}, "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
                           "ActiveChanged", this, SLOT(onScreenSaverActive(bool)));
        sessionBus.connect({}, "/ScreenSaver", "org.freedesktop.ScreenSaver", "ActiveChanged", this,
                           SLOT(onScreenSaverActive(bool)));
    }
}

void LogindSleepWakeEvents::onPrepareForSleep(bool sleeping) {
    if (sleeping)
        emit systemWillSleep();
    else
        emit systemDidWake();
}

void LogindSleepWakeEvents::onScreenSaverActive(bool active) {
    if (active)
        emit displayDidSleep();
    else
        emit displayDidWake();
}

}  // namespace tarvel
