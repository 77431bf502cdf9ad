#include <gtest/gtest.h>

#include <QDBusMessage>
#include <QDir>
#include <nlohmann/json.hpp>

#include "app/AppCore.h"
#include "base/SharedInstance.h"
#include "charge/ChargeFixtures.h"
#include "platform/linux/LinuxPlatform.h"
#include "support/FixtureMachine.h"
#include "support/JsonLines.h"
#include "support/PrivateBus.h"
#include "support/WaitUntil.h"

namespace tarvel {
namespace {

// A core over a fixture laptop (on the adapter, above the limit), private system and session
// buses with a stand-in logind, and a data and settings folder of its own.
TEST(AppCore, BuiltWithoutSideEffectsThenStartedAndWiredOverTheMachine) {
    test::FixtureTree machine;
    test::writeLaptop(machine, 90, true, "Charging");
    test::PrivateBus system, session;
    ASSERT_TRUE(system.ok() && session.ok());
    QDBusConnection logind = system.connect("core-test-logind");
    ASSERT_TRUE(logind.registerService("org.freedesktop.login1"));

    MachineRoots roots = test::fixtureMachineRoots(machine);
    roots.systemBus = system.connect("core-test-system");
    roots.sessionBus = session.connect("core-test-session");
    QDir().mkpath(QString::fromStdString(roots.dataDir));
    {
        AppCore core(std::make_unique<LinuxPlatform>(roots));
        // Built: nothing written, nothing shared yet.
        EXPECT_EQ(test::chargeBehaviour(machine), "[auto] inhibit-charge force-discharge\n");
        EXPECT_TRUE(QDir(QString::fromStdString(roots.dataDir)).isEmpty());
        EXPECT_FALSE(SharedInstance<PowerStore>::has());

        core.start();
        EXPECT_EQ(&PowerStore::shared(), &core.powerStore());

        // The first poll reads the battery; the charge limit holds as soon as it is known.
        ASSERT_TRUE(
            test::waitUntil([&] { return test::chargeBehaviour(machine) == "inhibit-charge"; }));

        // Sleep and wake reach the history first, then the power store.
        std::vector<std::pair<std::string, bool>> noted;
        QObject::connect(
            &core, &AppCore::powerTransitionNoted,
            [&](const std::string& label, bool wake) { noted.emplace_back(label, wake); });
        for (bool sleeping : {true, false}) {
            QDBusMessage m = QDBusMessage::createSignal(
                "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep");
            m << sleeping;
            logind.send(m);
        }
        ASSERT_TRUE(test::waitUntil([&] { return noted.size() == 2; }));
        EXPECT_EQ(noted, (std::vector<std::pair<std::string, bool>>{{"system_sleep", false},
                                                                    {"system_wake", true}}));
        core.drainLog().waitForPendingWork();
        const auto history = test::jsonLines(machine.read("data/drain.jsonl"));
        ASSERT_EQ(history.size(), 3u);
        EXPECT_EQ(history[0]["level"], 90);
        EXPECT_EQ(history[1]["name"], "system_sleep");
        EXPECT_EQ(history[2]["name"], "system_wake");
    }
    // Gone with its core.
    EXPECT_FALSE(SharedInstance<PowerStore>::has());
    EXPECT_FALSE(SharedInstance<ChargeLimitController>::has());
    for (const char* name : {"core-test-logind", "core-test-system", "core-test-session"})
        QDBusConnection::disconnectFromBus(name);
}

}  // namespace
}  // namespace tarvel
