#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusMessage>
#include <algorithm>

#include "platform/linux/LogindSleepWakeEvents.h"
#include "support/PrivateBus.h"
#include "support/WaitUntil.h"

using namespace tarvel;

TEST(SleepWakeEvents, LogindAndScreenSaverSignalsBecomeSleepAndWake) {
    test::PrivateBus system, session;
    ASSERT_TRUE(system.ok() && session.ok());
    QDBusConnection logind = system.connect("fake-logind");
    ASSERT_TRUE(logind.registerService("org.freedesktop.login1"));  // only logind's word counts
    QDBusConnection saver = session.connect("fake-saver");
    LogindSleepWakeEvents events(system.connect("sleep-listener-system"),
                                 session.connect("sleep-listener-session"));
    std::vector<std::string> seen;
    for (auto entry : {std::pair{&SleepWakeEvents::systemWillSleep, "system_sleep"},
                       {&SleepWakeEvents::systemDidWake, "system_wake"},
                       {&SleepWakeEvents::displayDidSleep, "display_sleep"},
                       {&SleepWakeEvents::displayDidWake, "display_wake"}})
        QObject::connect(&events, entry.first,
                         [&seen, name = entry.second] { seen.push_back(name); });

    auto send = [](QDBusConnection bus, const char* path, const char* iface, const char* name,
                   bool value) {
        QDBusMessage m = QDBusMessage::createSignal(path, iface, name);
        m << value;
        bus.send(m);
    };
    const char* login1 = "/org/freedesktop/login1";
    const char* manager = "org.freedesktop.login1.Manager";
    send(saver, "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", "ActiveChanged", true);
    send(logind, login1, manager, "PrepareForSleep", true);
    send(logind, login1, manager, "PrepareForSleep", false);
    send(saver, "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver", "ActiveChanged",
         false);
    // Neither another interface nor another sender counts.
    send(logind, login1, "org.freedesktop.login1.Other", "PrepareForSleep", true);
    send(system.connect("impostor"), login1, manager, "PrepareForSleep", true);

    test::waitUntil([&] { return seen.size() >= 4; });
    QCoreApplication::processEvents();
    // Each bus keeps its own order; the two buses may interleave.
    ASSERT_EQ(seen.size(), 4u);
    auto position = [&](const std::string& e) {
        return std::find(seen.begin(), seen.end(), e) - seen.begin();
    };
    EXPECT_LT(position("system_sleep"), position("system_wake"));
    EXPECT_LT(position("display_sleep"), position("display_wake"));
    EXPECT_LT(position("display_wake"), 4);

    for (const char* name : {"sleep-listener-system", "sleep-listener-session", "fake-logind",
                             "fake-saver", "impostor"})
        QDBusConnection::disconnectFromBus(name);
}
