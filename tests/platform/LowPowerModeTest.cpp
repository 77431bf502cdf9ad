#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>

#include "platform/linux/PowerProfilesLowPowerMode.h"
#include "support/FixtureTree.h"
#include "support/PrivateBus.h"
#include "support/WaitUntil.h"

using namespace tarvel;

namespace {

// Enough of power-profiles-daemon: the ActiveProfile property and its change signal.
class FakeProfiles : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "net.hadess.PowerProfiles")
    Q_PROPERTY(QString ActiveProfile READ activeProfile)
public:
    explicit FakeProfiles(QDBusConnection bus) : bus_(bus) {}
    QString activeProfile() const { return profile_; }
    void set(const QString& profile) {
        profile_ = profile;
        QDBusMessage m = QDBusMessage::createSignal(
            "/net/hadess/PowerProfiles", "org.freedesktop.DBus.Properties", "PropertiesChanged");
        m << QStringLiteral("net.hadess.PowerProfiles") << QVariantMap{{"ActiveProfile", profile}}
          << QStringList();
        bus_.send(m);
    }

private:
    QDBusConnection bus_;
    QString profile_ = "balanced";
};

}  // namespace

TEST(LowPowerMode, FollowsPowerProfilesDaemonOverDBus) {
    tarvel::test::PrivateBus bus;
    ASSERT_TRUE(bus.ok());
    QDBusConnection service = bus.connect("tarvel-test-service");
    FakeProfiles profiles(service);
    ASSERT_TRUE(service.registerObject("/net/hadess/PowerProfiles", &profiles,
                                       QDBusConnection::ExportAllProperties));
    ASSERT_TRUE(service.registerService("net.hadess.PowerProfiles"));

    tarvel::test::FixtureTree sys;
    sys.write("firmware/acpi/platform_profile", "low-power\n");  // the daemon's word wins
    PowerProfilesLowPowerMode mode(bus.connect("tarvel-test"), sys.root());
    int changes = 0;
    QObject::connect(&mode, &LowPowerMode::changed, [&] { ++changes; });
    EXPECT_TRUE(mode.isLowPowerModeEnabled());  // until the daemon answers
    tarvel::test::waitUntil([&] { return mode.activeProfile().has_value(); });
    EXPECT_FALSE(mode.isLowPowerModeEnabled());
    EXPECT_EQ(changes, 1);

    for (const auto& [profile, low, count] :
         {std::tuple{"power-saver", true, 2}, {"performance", false, 3}}) {
        profiles.set(profile);
        tarvel::test::waitUntil([&, want = count] { return changes == want; });
        EXPECT_EQ(mode.isLowPowerModeEnabled(), low) << profile;
    }
    QDBusConnection::disconnectFromBus("tarvel-test-service");
    QDBusConnection::disconnectFromBus("tarvel-test");
}

TEST(LowPowerMode, FallsBackToThePlatformProfileWithoutTheDaemon) {
    tarvel::test::FixtureTree sys;
    for (auto [profile, low] : {std::pair{"low-power\n", true}, {"balanced\n", false}}) {
        sys.write("firmware/acpi/platform_profile", profile);
        PowerProfilesLowPowerMode mode(QDBusConnection(QString()), sys.root());  // no bus at all
        EXPECT_EQ(mode.isLowPowerModeEnabled(), low) << profile;
    }
    PowerProfilesLowPowerMode none(QDBusConnection(QString()), sys.root() + "/missing");
    EXPECT_FALSE(none.isLowPowerModeEnabled());
}

#include "LowPowerModeTest.moc"
