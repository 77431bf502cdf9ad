#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QObject>
#include <QVariantMap>

#include "drain/DrainAlertMonitor.h"
#include "platform/linux/DBusNotificationCenter.h"
#include "support/FixtureTree.h"
#include "support/PrivateBus.h"
#include "support/WaitUntil.h"

namespace tarvel {
namespace {
using test::waitUntil;

// A stand-in for the desktop's notification daemon, serving on its own bus connection.
class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Call {
        QString summary, body;
        QVariantMap hints;
    };
    std::vector<Call> calls;

public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap& hints, int) {
        calls.push_back({summary, body, hints});
        return static_cast<uint>(calls.size());
    }
    QStringList GetCapabilities() { return {"body", "sound"}; }
};

// The program's session bus is a private one here, as the application would find its desktop's
// bus. A notification sent before the desktop's service is there is lost, and nothing breaks; once
// it is there the next one arrives, and only that one: the bus delivers in order, so the lost one
// would have come first.
TEST(NotificationBus, TheAlertReachesTheDesktopServiceWithItsTextsSoundAndIdentifier) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.ok());
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());
    DBusNotificationCenter center;
    center.requestAuthorization();
    center.add({"tarvelpro.drain.5", "Tarvel · drain alert", "lost", true});
    DBusNotificationCenter nowhere(QDBusConnection("not-connected"));
    nowhere.add({"tarvelpro.drain.6", "Tarvel · drain alert", "nowhere", true});
    // A blocking call after the lost one: the bus has it before the service appears.
    ASSERT_FALSE(QDBusConnection::sessionBus().interface()->isServiceRegistered(
        DBusNotificationCenter::kService));

    QDBusConnection service = bus.connect("notification-service");
    FakeNotificationService daemonObject;
    ASSERT_TRUE(service.registerObject(DBusNotificationCenter::kPath, &daemonObject,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(DBusNotificationCenter::kService));
    test::FixtureTree dir;
    UserDefaults defaults(dir.root() + "/defaults.json");
    ManualClock clock(1'772'373'909.5);
    DrainAlertMonitor monitor(clock, defaults, center, [] { return std::string("Chromium"); });
    monitor.setEnabled(true);
    monitor.evaluate(60, true);
    clock.advance(600);
    monitor.evaluate(52, true);

    ASSERT_TRUE(waitUntil([&] { return !daemonObject.calls.empty(); }));
    const auto& call = daemonObject.calls[0];
    EXPECT_EQ(call.summary, "Tarvel · drain alert");
    EXPECT_EQ(call.body, "Battery dropped 8% in ~15 min. Top energy: Chromium.");
    EXPECT_EQ(call.hints.value("sound-name").toString(), "message-new-instant");
    EXPECT_EQ(call.hints.value("x-tarvel-id").toString(), "tarvelpro.drain.1772374509");

    // A quiet notification asks the desktop for no sound.
    center.add({"tarvelpro.drain.1", "t", "b", false});
    ASSERT_TRUE(waitUntil([&] { return daemonObject.calls.size() == 2; }));
    EXPECT_TRUE(daemonObject.calls[1].hints.value("suppress-sound").toBool());
    EXPECT_FALSE(daemonObject.calls[1].hints.contains("sound-name"));
    QDBusConnection::disconnectFromBus("notification-service");
}

}  // namespace
}  // namespace tarvel

#include "NotificationBusTest.moc"
