#include <gtest/gtest.h>

#include <QCoreApplication>
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
        QString app, icon, summary, body;
        uint replaces = 0;
        QStringList actions;
        QVariantMap hints;
        int timeout = 0;
    };
    std::vector<Call> calls;

public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout) {
        calls.push_back({app, icon, summary, body, replaces, actions, hints, timeout});
        return static_cast<uint>(calls.size());
    }
    QStringList GetCapabilities() { return {"body", "sound"}; }
};

// A private session bus for this test program; the default session bus connection of the
// program is made to it, exactly as the application would find its desktop's bus.
class PrivateBus : public ::testing::Test {
protected:
    static inline test::PrivateBus* bus = nullptr;
    static inline QString address;

    static void SetUpTestSuite() {
        bus = new test::PrivateBus;
        ASSERT_TRUE(bus->ok());
        address = bus->address();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
    }
    static void TearDownTestSuite() {
        delete bus;
        bus = nullptr;
    }
};

TEST_F(PrivateBus, TheAlertReachesTheDesktopServiceWithItsTextsSoundAndIdentifier) {
    QDBusConnection service = QDBusConnection::connectToBus(address, "notification-service");
    ASSERT_TRUE(service.isConnected());
    FakeNotificationService daemonObject;
    ASSERT_TRUE(service.registerObject(DBusNotificationCenter::kPath, &daemonObject,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(DBusNotificationCenter::kService));

    test::FixtureTree dir;
    UserDefaults defaults(dir.root() + "/defaults.json");
    ManualClock clock(1'772'373'909.5);
    DBusNotificationCenter center;  // the program's session bus
    DrainAlertMonitor monitor(clock, defaults, center, [] { return std::string("Chromium"); });
    monitor.setEnabled(true);
    monitor.evaluate(60, true);
    clock.advance(600);
    monitor.evaluate(52, true);

    ASSERT_TRUE(waitUntil([&] { return !daemonObject.calls.empty(); }));
    const auto& call = daemonObject.calls[0];
    EXPECT_EQ(call.app, "Tarvel");
    EXPECT_EQ(call.summary, "Tarvel · drain alert");
    EXPECT_EQ(call.body, "Battery dropped 8% in ~15 min. Top energy: Chromium.");
    EXPECT_EQ(call.hints.value("sound-name").toString(), "message-new-instant");
    EXPECT_EQ(call.hints.value("x-tarvel-id").toString(), "tarvelpro.drain.1772374509");

    // A quiet notification asks the desktop for no sound.
    center.add({"tarvelpro.drain.1", "t", "b", false});
    ASSERT_TRUE(waitUntil([&] { return daemonObject.calls.size() == 2; }));
    EXPECT_TRUE(daemonObject.calls[1].hints.value("suppress-sound").toBool());
    EXPECT_FALSE(daemonObject.calls[1].hints.contains("sound-name"));

    service.unregisterService(DBusNotificationCenter::kService);
    service.unregisterObject(DBusNotificationCenter::kPath);
    QDBusConnection::disconnectFromBus("notification-service");
}

TEST_F(PrivateBus, WithoutANotificationServiceOrABusNothingIsShownAndNothingBreaks) {
    DBusNotificationCenter center;
    ASSERT_FALSE(QDBusConnection::sessionBus().interface()->isServiceRegistered(
        DBusNotificationCenter::kService));
    center.requestAuthorization();
    center.add({"tarvelpro.drain.5", "Tarvel · drain alert", "lost", true});
    DBusNotificationCenter nowhere(QDBusConnection("not-connected"));
    nowhere.add({"tarvelpro.drain.6", "Tarvel · drain alert", "nowhere", true});

    // A service that appears later gets the next notification, and only that one: the bus
    // delivers in order, so the lost one would have come first.
    QDBusConnection service = QDBusConnection::connectToBus(address, "late-service");
    FakeNotificationService daemonObject;
    ASSERT_TRUE(service.registerObject(DBusNotificationCenter::kPath, &daemonObject,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(DBusNotificationCenter::kService));
    center.add({"tarvelpro.drain.7", "Tarvel · drain alert", "shown", true});
    ASSERT_TRUE(waitUntil([&] { return !daemonObject.calls.empty(); }));
    EXPECT_EQ(daemonObject.calls[0].body, "shown");
    service.unregisterService(DBusNotificationCenter::kService);
    QDBusConnection::disconnectFromBus("late-service");
}

}  // namespace
}  // namespace tarvel

#include "NotificationBusTest.moc"
