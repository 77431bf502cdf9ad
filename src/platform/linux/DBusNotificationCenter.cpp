#include "platform/linux/DBusNotificationCenter.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QStringList>
#include <QVariantMap>

namespace tarvel {

DBusNotificationCenter::DBusNotificationCenter(QDBusConnection bus) : bus_(std::move(bus)) {}

void DBusNotificationCenter::add(const LocalNotification& n) {
    if (!bus_.isConnected()) return;
    QVariantMap hints;
    hints.insert(kIdentifierHint, QString::fromStdString(n.identifier));
    if (n.defaultSound)
        hints.insert(kSoundHint, QString(kDefaultSound));
    else
        hints.insert("suppress-sound", true);
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Notify");
    call << QString(kAppName) << 0u << QString() << QString::fromStdString(n.title)
         << QString::fromStdString(n.body) << QStringList() << hints << -1;
    // Fire and forget: the reply (or the error of a missing service) is not waited for.
    call.setAutoStartService(true);
    bus_.asyncCall(call);
}

}  // namespace tarvel
