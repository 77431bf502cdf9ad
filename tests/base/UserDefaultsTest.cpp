#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "base/UserDefaults.h"

using tarvel::UserDefaults;

TEST(UserDefaults, KeepsTypesAcrossReloads) {
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/nested/defaults.json";
    {
        UserDefaults d(path);
        d.setBool("tarvelpro.chargeLimit.enabled", false);
        d.setInteger("tarvelpro.chargeLimit.percent", 80);
        d.setReal("tarvelpro.ratio", 0.5);
        d.setString("tarvelpro.mode", "auto");
        d.setDate("tarvelpro.drainAlerts.lastFire", 1780000000.25);
    }
    UserDefaults d(path);
    EXPECT_EQ(d.boolValue("tarvelpro.chargeLimit.enabled"), false);
    EXPECT_EQ(d.integer("tarvelpro.chargeLimit.percent"), 80);
    EXPECT_EQ(d.real("tarvelpro.chargeLimit.percent"), 80.0);  // integers read as reals too
    EXPECT_EQ(d.real("tarvelpro.ratio"), 0.5);
    EXPECT_EQ(d.string("tarvelpro.mode"), "auto");
    EXPECT_EQ(d.date("tarvelpro.drainAlerts.lastFire"), 1780000000.25);

    // A value of another type is not an integer, a bool or a date.
    EXPECT_FALSE(d.integer("tarvelpro.ratio"));
    EXPECT_FALSE(d.integer("tarvelpro.mode"));
    EXPECT_FALSE(d.boolValue("tarvelpro.chargeLimit.percent"));
    EXPECT_FALSE(d.date("tarvelpro.chargeLimit.percent"));
    EXPECT_FALSE(d.integer("missing"));

    d.remove("tarvelpro.mode");
    EXPECT_FALSE(UserDefaults(path).contains("tarvelpro.mode"));
}

TEST(UserDefaults, UnreadableFileIsKeptAsideNotOverwritten) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/defaults.json";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{ \"tarvelpro.chargeLimit.percent\": 7");  // truncated by a crash
    }
    UserDefaults d(path.toStdString());
    EXPECT_FALSE(d.integer("tarvelpro.chargeLimit.percent"));
    d.setInteger("tarvelpro.chargeLimit.percent", 90);

    QFile aside(path + ".corrupt");
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), QByteArray("{ \"tarvelpro.chargeLimit.percent\": 7"));
    EXPECT_EQ(UserDefaults(path.toStdString()).integer("tarvelpro.chargeLimit.percent"), 90);
}

TEST(UserDefaults, TwoProcessesSharingTheFileNeverUndoEachOther) {
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/defaults.json";
    UserDefaults app(path), watch(path);  // each with its own view, as two processes have
    app.setInteger("tarvelpro.chargeLimit.percent", 70);
    watch.setDate("tarvelpro.drainAlerts.lastFire", 1780000000);
    app.setBool("tarvelpro.drainAlerts.enabled", true);

    EXPECT_EQ(watch.integer("tarvelpro.chargeLimit.percent"), 70);
    EXPECT_EQ(watch.boolValue("tarvelpro.drainAlerts.enabled"), true);
    EXPECT_EQ(app.date("tarvelpro.drainAlerts.lastFire"), 1780000000);
    const UserDefaults fresh(path);
    EXPECT_EQ(fresh.integer("tarvelpro.chargeLimit.percent"), 70);
    EXPECT_EQ(fresh.date("tarvelpro.drainAlerts.lastFire"), 1780000000);
    EXPECT_EQ(fresh.boolValue("tarvelpro.drainAlerts.enabled"), true);

    watch.remove("tarvelpro.chargeLimit.percent");
    EXPECT_FALSE(app.contains("tarvelpro.chargeLimit.percent"));
    EXPECT_TRUE(app.contains("tarvelpro.drainAlerts.enabled"));
}
