#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "base/UserDefaults.h"
#include "support/WaitUntil.h"

using tarvel::UserDefaults;

namespace {
bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
}  // namespace

// A value of another type reads as nothing rather than as a misread number or date.
TEST(UserDefaults, KeepsTypesAcrossReloads) {
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/defaults.json";
    UserDefaults(path).setReal("tarvelpro.ratio", 0.5);
    UserDefaults(path).setInteger("tarvelpro.chargeLimit.percent", 80);
    const UserDefaults d(path);
    EXPECT_EQ(d.real("tarvelpro.ratio"), 0.5);
    EXPECT_FALSE(d.integer("tarvelpro.ratio"));
    EXPECT_FALSE(d.date("tarvelpro.chargeLimit.percent"));
}

TEST(UserDefaults, UnreadableFileIsKeptAsideNotOverwritten) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/defaults.json";
    ASSERT_TRUE(writeFile(path, "{ \"tarvelpro.chargeLimit.percent\": 7"));  // cut by a crash
    UserDefaults d(path.toStdString());
    EXPECT_FALSE(d.integer("tarvelpro.chargeLimit.percent"));
    d.setInteger("tarvelpro.chargeLimit.percent", 90);

    QFile aside(path + ".corrupt");
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), QByteArray("{ \"tarvelpro.chargeLimit.percent\": 7"));
    EXPECT_EQ(UserDefaults(path.toStdString()).integer("tarvelpro.chargeLimit.percent"), 90);

    // Nested far deeper than any setting: kept aside as well, never parsed and written back.
    ASSERT_TRUE(
        writeFile(path, "{\"a\":" + QByteArray(100000, '[') + QByteArray(100000, ']') + "}"));
    UserDefaults deep(path.toStdString());
    EXPECT_FALSE(deep.contains("a"));
    deep.setBool("tarvelpro.drainAlerts.enabled", true);
    EXPECT_EQ(QFileInfo(path + ".corrupt").size(), 200006);
}

// Several processes share the file. Services follow their settings live: every change is
// announced once per key, whether this store, another process's store or an editor replacing
// the file made it.
TEST(UserDefaults, SharesTheFileWithOtherProcessesAndAnnouncesEveryChange) {
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/tarvel/defaults.json";
    UserDefaults app(path);
    std::vector<std::string> seen;
    QObject::connect(&app, &UserDefaults::changed,
                     [&](const std::string& key) { seen.push_back(key); });

    app.setInteger("tarvelpro.retentionDays", 7);
    app.setInteger("tarvelpro.retentionDays", 7);  // unchanged: nothing to say
    EXPECT_EQ(seen, std::vector<std::string>{"tarvelpro.retentionDays"});

    seen.clear();
    UserDefaults other(path);  // another process, with its own view of the file
    other.setBool("tarvelpro.drainAlerts.enabled", true);
    other.remove("tarvelpro.retentionDays");
    // Reads notice the replaced file at once, before the watcher says so.
    EXPECT_FALSE(app.contains("tarvelpro.retentionDays"));
    ASSERT_TRUE(tarvel::test::waitUntil([&] { return seen.size() >= 2; }));
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::string>{"tarvelpro.drainAlerts.enabled",
                                              "tarvelpro.retentionDays"}));

    // An editor that writes a new file and renames it over the old one.
    seen.clear();
    ASSERT_TRUE(writeFile(QString::fromStdString(path + ".new"),
                          R"({"tarvelpro.drainAlerts.enabled": true, "tarvelpro.x": 1})"));
    ASSERT_EQ(::rename((path + ".new").c_str(), path.c_str()), 0);
    ASSERT_TRUE(tarvel::test::waitUntil([&] { return !seen.empty(); }));
    EXPECT_EQ(seen, std::vector<std::string>{"tarvelpro.x"});
    EXPECT_EQ(app.integer("tarvelpro.x"), 1);

    // The watch survives the replacement: a later write is still seen.
    seen.clear();
    other.setInteger("tarvelpro.x", 2);
    ASSERT_TRUE(tarvel::test::waitUntil([&] { return !seen.empty(); }));
    EXPECT_EQ(seen, std::vector<std::string>{"tarvelpro.x"});

    // A write changes only its own key in the file as it is now, so it undoes nothing the other
    // process wrote since this one last looked.
    other.setDate("tarvelpro.drainAlerts.lastFire", 1780000000.25);
    app.setInteger("tarvelpro.chargeLimit.percent", 70);
    const UserDefaults fresh(path);
    EXPECT_EQ(fresh.date("tarvelpro.drainAlerts.lastFire"), 1780000000.25);
    EXPECT_EQ(fresh.integer("tarvelpro.chargeLimit.percent"), 70);
}
