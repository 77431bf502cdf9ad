#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <atomic>
#include <thread>

#include "shell/SingleInstance.h"
#include "support/PrivateBus.h"
#include "support/WaitUntil.h"

namespace tarvel {
namespace {

constexpr const char* kId = "app.tarvel.Tarvel";

// On a session bus: the first launch owns the name, a second one (a process of its own, played
// here by a thread with its own connection) hands over its activation token and leaves.
TEST(SingleInstance, ASecondLaunchActivatesTheRunningOneOverTheSessionBus) {
    test::PrivateBus session;
    ASSERT_TRUE(session.ok());
    SingleInstance running(kId, session.connect("first-launch"));
    ASSERT_TRUE(running.claim());
    QStringList tokens;
    QObject::connect(&running, &SingleInstance::activated,
                     [&](const QString& token) { tokens << token; });

    std::atomic<int> claimed{-1}, answered{-1};
    std::thread second([&] {
        SingleInstance again(kId, QDBusConnection::connectToBus(session.address(), "second"));
        claimed = again.claim();
        answered = again.activateRunning("token-123");
    });
    ASSERT_TRUE(test::waitUntil([&] { return answered != -1; }, 10000));
    second.join();
    EXPECT_EQ(claimed, 0);
    EXPECT_EQ(answered, 1);
    ASSERT_TRUE(test::waitUntil([&] { return !tokens.isEmpty(); }));
    EXPECT_EQ(tokens, QStringList{"token-123"});
    QDBusConnection::disconnectFromBus("second");
    QDBusConnection::disconnectFromBus("first-launch");
}

// Without a session bus the instances meet on a socket in the runtime folder, which only this
// user may open; a socket left by a crashed instance does not keep the next one from starting.
TEST(SingleInstance, WithoutABusALocalSocketInTheRuntimeFolderDoes) {
    QTemporaryDir runtime;
    const QDBusConnection noBus("no-bus-here");
    ASSERT_FALSE(noBus.isConnected());
    QFile stale(runtime.path() + "/" + kId + ".socket");
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();

    SingleInstance running(kId, noBus, runtime.path());
    ASSERT_TRUE(running.claim());
    const QFileInfo socket(stale.fileName());
    ASSERT_TRUE(socket.exists());
    EXPECT_EQ(socket.permissions() &
                  (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
              QFile::Permissions());
    QStringList tokens;
    QObject::connect(&running, &SingleInstance::activated,
                     [&](const QString& token) { tokens << token; });

    SingleInstance second(kId, noBus, runtime.path());
    EXPECT_FALSE(second.claim());
    EXPECT_TRUE(second.activateRunning("xyz"));
    ASSERT_TRUE(test::waitUntil([&] { return !tokens.isEmpty(); }));
    EXPECT_EQ(tokens, QStringList{"xyz"});
}

}  // namespace
}  // namespace tarvel
