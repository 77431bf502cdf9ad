#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <cmath>
#include <limits>
#include <optional>

#include "Printers.h"
#include "base/UserDefaults.h"
#include "platform/CommandRunner.h"
#include "shell/AppNotifications.h"
#include "shell/system/MenuBarPositionStore.h"

namespace tarvel {
namespace {

using Calls = std::vector<RecordingCommandRunner::Call>;

Calls positionWrites(const std::string& score) {
    Calls calls;
    for (const char* item : {"TarvelProBattery", "Tarvel", "app.tarvel.Tarvel", "Item-Tarvel"})
        calls.push_back(
            {"/usr/bin/defaults",
             {"-currentHost", "write", "com.apple.controlcenter",
              std::string("NSStatusItem Preferred Position ") + item, "-float", score}});
    return calls;
}

struct PositionCase {
    const char* name;
    std::optional<double> set;  // none: the setting is absent
    double normalized;
    double score;
    std::string scoreText;
};

TEST(MenuBarPositionStore, ClampsStoresScoresAndAsksForARebuild) {
    const PositionCase cases[] = {
        {"absent", std::nullopt, 0.15, 143, "143.0"},
        {"past the right end", 1.7, 1.0, 500, "500.0"},
        {"past the left end", -0.2, 0.0, 80, "80.0"},
        {"fraction of a point", 0.123, 0.123, 0.123 * 420 + 80, "131.66"},
        {"not a number reads as absent", std::numeric_limits<double>::quiet_NaN(), 0.15, 143,
         "143.0"},
    };
    for (const PositionCase& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        UserDefaults settings((dir.path() + "/defaults.json").toStdString());
        RecordingCommandRunner runner;
        MenuBarPositionStore store(settings, runner);
        QStringList posted;
        QObject receiver;
        QObject::connect(&AppNotificationCenter::instance(), &AppNotificationCenter::posted,
                         &receiver, [&](const QString& name) { posted << name; });

        if (c.set) {
            store.setNormalized(*c.set);
            EXPECT_EQ(settings.real(kMenuBarPosition), c.normalized);
            EXPECT_EQ(posted, QStringList{"tarvelpro.rebuildStatusItem"});
        } else {
            QObject item;
            store.configureStatusItem(item);
            EXPECT_EQ(item.objectName(), "TarvelProBattery");
            EXPECT_TRUE(posted.isEmpty());
        }
        EXPECT_EQ(store.normalized(), c.normalized);
        EXPECT_EQ(store.preferredScore(), c.score);
        EXPECT_EQ(runner.calls(), positionWrites(c.scoreText));
        EXPECT_EQ(settings.real("NSStatusItem Preferred Position"), c.score);
        EXPECT_EQ(settings.real("NSStatusItem Preferred Position TarvelProBattery"), c.score);
    }
}

// Another version may have stored a value outside the range; reading clamps it.
TEST(MenuBarPositionStore, ReadingClampsAStoredValue) {
    QTemporaryDir dir;
    UserDefaults settings((dir.path() + "/defaults.json").toStdString());
    RecordingCommandRunner runner;
    MenuBarPositionStore store(settings, runner);
    settings.setReal(kMenuBarPosition, 3.0);
    EXPECT_EQ(store.normalized(), 1.0);
    settings.setReal(kMenuBarPosition, -1.0);
    EXPECT_EQ(store.preferredScore(), 80.0);
    EXPECT_TRUE(runner.calls().empty());
}

// Debian's `defaults` is an unrelated program; the application's store must not start it.
TEST(ApplicationPositionStore, RecordsTheWritesAndStartsNoTool) {
    QTemporaryDir dir;
    const QString bin = dir.path() + "/bin";
    const QString marker = dir.path() + "/ran";
    ASSERT_TRUE(QDir().mkpath(bin));
    {
        QFile tool(bin + "/defaults");
        ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
        tool.write(("#!/bin/sh\necho \"$@\" >> '" + marker + "'\n").toUtf8());
        tool.close();
        ASSERT_TRUE(tool.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    }
    ASSERT_EQ(QProcess::execute(bin + "/defaults", {"write"}), 0);
    ASSERT_TRUE(QFile::remove(marker));

    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", bin.toUtf8() + ":" + oldPath);
    UserDefaults settings((dir.path() + "/defaults.json").toStdString());
    auto store = makeApplicationPositionStore(settings, bin.toStdString());
    store->setNormalized(1.0);
    qputenv("PATH", oldPath);

    auto* recorder = dynamic_cast<RecordingCommandRunner*>(&store->runner());
    ASSERT_NE(recorder, nullptr);
    Calls expected = positionWrites("500.0");
    for (auto& call : expected) call.path = (bin + "/defaults").toStdString();
    EXPECT_EQ(recorder->calls(), expected);
    EXPECT_FALSE(QFile::exists(marker));
}

TEST(ShortestDecimal, ReadsBackExactlyAndAlwaysShowsAFraction) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {143, "143.0"},
        {80.5, "80.5"},
        {0.1 + 0.2, "0.30000000000000004"},
        {80.00000000000001, "80.00000000000001"},
        {1e21, "1e+21"},
    };
    for (const auto& c : cases) EXPECT_EQ(shortestDecimal(c.value), c.text) << c.value;
}

}  // namespace
}  // namespace tarvel
