// The whole install against a loopback HTTPS server: manifest, streamed download, checks,
// unpacking, staging, and the helper script swapping a bundle in a throwaway home.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "BundleFixture.h"
#include "LoopbackHttps.h"
#include "support/WaitUntil.h"
#include "update/UpdateRun.h"

namespace tarvel {
namespace {

using test::readFile;

constexpr int kReleaseFillerBytes = 60000;  // the zip stays above the 40000-byte floor

class UpdateEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        home_ = dir_.path() + "/home";
        runtime_ = dir_.path() + "/run";
        QDir().mkpath(home_);
        QDir().mkpath(runtime_);
        QFile::setPermissions(runtime_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("HOME", home_.toUtf8());
        qputenv("XDG_STATE_HOME", (home_ + "/.local/state").toUtf8());
        qputenv("XDG_CACHE_HOME", (home_ + "/.cache").toUtf8());
        qputenv("XDG_RUNTIME_DIR", runtime_.toUtf8());

        ASSERT_TRUE(test::makeBundle(home_ + "/Applications", "#!/bin/sh\necho old\n"));
        const QString release = dir_.path() + "/release";
        ASSERT_TRUE(test::makeBundle(release, newLauncher(), kReleaseFillerBytes));
        ASSERT_EQ(test::runIn(release, "zip", {"-q", "-r", "-X", "../release.zip", "Tarvel.app"}),
                  0);
        zip_ = readFile(dir_.path() + "/release.zip");
        ASSERT_GE(zip_.size(), kMinimumArchiveBytes);
        ASSERT_TRUE(server_.listen());
    }

    static QByteArray newLauncher() {
        return "#!/bin/sh\necho started > \"$HOME/new-tarvel-started\"\n";
    }
    QString bundle() const { return home_ + "/Applications/Tarvel.app"; }

    // Runs one install of `version` for the installed bundle (or `executable`), with `pid` as
    // the process the helper waits for.
    InstallOutcome install(const QString& version, qint64 pid, QString executable = {}) {
        InstallSetup setup{UpdateEndpoints::forHost(server_.host()), server_.clientConfiguration(),
                           UpdatePaths::fromEnvironment(),
                           executable.isEmpty() ? bundle() + "/bin/tarvel" : executable, pid};
        UpdateRun run(setup, version);
        std::optional<InstallOutcome> outcome;
        QObject::connect(&run, &UpdateRun::finished,
                         [&](const InstallOutcome& done) { outcome = done; });
        QObject::connect(&run, &UpdateRun::downloadProgress,
                         [&](qint64 received, qint64) { received_ = received; });
        QObject::connect(&run, &UpdateRun::installing, [&] { installing_ = true; });
        run.start();
        EXPECT_TRUE(test::waitUntil([&] { return outcome.has_value(); }, 60000));
        return outcome.value_or(InstallOutcome{QString("no outcome"), false, {}});
    }

    QTemporaryDir dir_;
    QString home_, runtime_;
    QByteArray zip_;
    test::LoopbackHttps server_;
    qint64 received_ = 0;
    bool installing_ = false;
};

TEST_F(UpdateEndToEnd, ReplacesTheInstalledBundleAndStartsTheNewOne) {
    server_.serve("/tarvel-pro/version.json",
                  R"({"latest":"v9.0.0","releases":{"stable":{"zip":"Tarvel-v9.0.0.zip"}}})");
    server_.serve("/tarvel-pro/Tarvel-v9.0.0.zip", zip_);
    // Stands in for the running Tarvel: the helper waits for it to end.
    QProcess running;
    running.start("/bin/sleep", {"0.2"});
    ASSERT_TRUE(running.waitForStarted());

    const InstallOutcome outcome = install("v9.0.0", running.processId());
    EXPECT_EQ(outcome.failure, std::nullopt);
    EXPECT_FALSE(outcome.opensBeforeQuit);  // the helper swaps after Tarvel quits
    EXPECT_EQ(outcome.destination, bundle());
    EXPECT_TRUE(installing_);
    EXPECT_EQ(received_, zip_.size());
    EXPECT_EQ(server_.requests(),
              (QStringList{"/tarvel-pro/version.json", "/tarvel-pro/Tarvel-v9.0.0.zip"}));

    const QString result = home_ + "/.local/state/Tarvel/update-result.txt";
    ASSERT_TRUE(test::waitUntil([&] { return readFile(result) == "ok|\n"; }, 30000))
        << readFile(result).toStdString();
    EXPECT_EQ(readFile(bundle() + "/bin/tarvel"), newLauncher());
    EXPECT_EQ(readFile(bundle() + "/share/filler.bin").size(), kReleaseFillerBytes);
    EXPECT_FALSE(QFile::exists(bundle() + ".new"));
    EXPECT_FALSE(QFile::exists(bundle() + ".old"));
    EXPECT_TRUE(
        test::waitUntil([&] { return QFile::exists(home_ + "/new-tarvel-started"); }, 30000));

    const QByteArray log = readFile(home_ + "/.local/state/Tarvel/update.log");
    EXPECT_TRUE(log.contains("] Resolved zip: Tarvel-v9.0.0.zip\n")) << log.toStdString();
    EXPECT_TRUE(log.contains("] Installing to " + bundle().toUtf8() + "\n"));
    EXPECT_EQ(QFileInfo(runtime_ + "/tarvel-update").permissions().toInt() & 0x0077, 0);
}

TEST_F(UpdateEndToEnd, FailuresLeaveTheInstalledBundleAlone) {
    server_.serve(
        "/tarvel-pro/version.json",
        R"({"latest":"v9.0.0","beta":"v9.1-Beta","releases":{"beta":{"zip":"../../.bashrc"},
                      "stable":{"zip":"Tarvel-v9.0.0.zip"}}})");
    server_.serve("/tarvel-pro/Tarvel-v8.zip", "missing", 404);
    struct Case {
        const char* version;
        QString executable;
        QString failure;
    };
    const Case cases[] = {
        {"v9.1-Beta", {}, "The update archive name \"../../.bashrc\" is not one Tarvel accepts."},
        {"../v9", {}, "The offered version \"../v9\" is not a version name Tarvel accepts."},
        {"v9.1-Beta", "/usr/bin/tarvel",
         "This Tarvel is not an installed Tarvel.app, so it cannot replace itself."},
    };
    for (const Case& c : cases) EXPECT_EQ(install(c.version, 0, c.executable).failure, c.failure);

    server_.serve("/tarvel-pro/version.json", R"({"latest":"v8"})");
    EXPECT_EQ(install("v8", 0).failure,
              "Server returned HTTP 404 for Tarvel-v8.zip. Download manually from " +
                  server_.host() + "/tarvel.");
    EXPECT_EQ(readFile(bundle() + "/bin/tarvel"), "#!/bin/sh\necho old\n");
    EXPECT_FALSE(server_.requests().contains("/tarvel-pro/../../.bashrc"));
}

}  // namespace
}  // namespace tarvel
