// The whole install against a loopback HTTPS server: manifest, streamed download, checks,
// unpacking, staging, and the helper script swapping a bundle in a throwaway home.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QProcess>
#include <QTemporaryDir>

#include "BundleFixture.h"
#include "support/LoopbackHttpServer.h"
#include "support/WaitUntil.h"
#include "update/UpdateRun.h"

namespace tarvel {
namespace {

using test::readFile;

constexpr int kReleaseFillerBytes = 60000;  // the zip stays above the 40000-byte floor

class UpdateEndToEnd : public ::testing::Test {
protected:
    void TearDown() override { qunsetenv("TMPDIR"); }
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
        ASSERT_TRUE(server_.listening());
    }

    static QByteArray newLauncher() {
        return "#!/bin/sh\necho started > \"$HOME/new-tarvel-started\"\n";
    }
    QString bundle() const { return home_ + "/Applications/Tarvel.app"; }

    // Runs one install of `version` for the installed bundle (or `executable`), with `pid` as
    // the process the helper waits for.
    InstallOutcome install(const QString& version, qint64 pid, QString executable = {}) {
        InstallSetup setup{UpdateEndpoints::forHost(host()),
                           server_.clientConfiguration(),
                           UpdatePaths::fromEnvironment(),
                           executable.isEmpty() ? bundle() + "/bin/tarvel" : executable,
                           pid,
                           limits_};
        UpdateRun run(setup, version);
        std::optional<InstallOutcome> outcome;
        QObject::connect(&run, &UpdateRun::finished,
                         [&](const InstallOutcome& done) { outcome = done; });
        QObject::connect(&run, &UpdateRun::downloadProgress,
                         [&](qint64 received, qint64) { received_ = received; });
        QObject::connect(&run, &UpdateRun::installing, [&] { installing_ = true; });
        run.start();
        EXPECT_TRUE(test::waitUntil([&] { return outcome.has_value(); }, waitMs_));
        return outcome.value_or(InstallOutcome{QString("no outcome"), false, {}});
    }

    QTemporaryDir dir_;
    QString home_, runtime_;
    QByteArray zip_;
    QString host() const { return server_.url().authority(); }
    QStringList requested() const {
        QStringList paths;
        for (const auto& request : server_.requests()) paths << request.path();
        return paths;
    }
    void serve(const QString& path, const QByteArray& body, int status = 200) {
        server_.route(path, test::LoopbackHttpServer::Response::answer(status, body));
    }

    test::LoopbackHttpServer server_{test::LoopbackHttpServer::Tls};
    UpdateLimits limits_;
    int waitMs_ = 60000;
    qint64 received_ = 0;
    bool installing_ = false;
};

TEST_F(UpdateEndToEnd, ReplacesTheInstalledBundleAndStartsTheNewOne) {
    serve("/tarvel-pro/version.json",
          R"({"latest":"v9.0.0","releases":{"stable":{"zip":"Tarvel-v9.0.0.zip"}}})");
    serve("/tarvel-pro/Tarvel-v9.0.0.zip", zip_);
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
    EXPECT_EQ(requested(),
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
    // The work folder is the runtime folder's own, for the user alone.
    ASSERT_TRUE(QFileInfo(runtime_ + "/tarvel-update").isDir());
    EXPECT_EQ(QFileInfo(runtime_ + "/tarvel-update").permissions().toInt() & 0x0077, 0);
    EXPECT_FALSE(QFile::exists(runtime_ + "/tarvel-update/Tarvel-v9.0.0.zip"));
}

TEST_F(UpdateEndToEnd, FailuresLeaveTheInstalledBundleAndNoFilesBehind) {
    using Response = test::LoopbackHttpServer::Response;
    // The runtime folder is someone else's: the run works in a temporary folder instead, and
    // removes it, as it removes one a crashed run left.
    const QString temp = dir_.path() + "/tmp";
    ASSERT_TRUE(test::writeFile(temp + "/tarvel-update-old/Tarvel-v7.zip", "old"));
    QFile::setPermissions(temp + "/tarvel-update-old",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("TMPDIR", temp.toUtf8());
    if (::geteuid() == 0)
        ASSERT_EQ(::chown(QFile::encodeName(runtime_).constData(), 65534, 65534), 0);
    else
        QFile::setPermissions(runtime_,
                              QFile::permissions(runtime_) | QFile::ReadOther | QFile::ExeOther);

    const QString release = dir_.path() + "/launcherless";
    ASSERT_TRUE(test::makeBundle(release, "", kReleaseFillerBytes));
    QFile::remove(release + "/Tarvel.app/bin/tarvel");
    ASSERT_EQ(test::runIn(release, "zip", {"-q", "-r", "-X", "../launcherless.zip", "Tarvel.app"}),
              0);
    const QByteArray launcherless = readFile(dir_.path() + "/launcherless.zip");

    const Response v8 = Response::answer(200, R"({"latest":"v8"})");
    const Response zip = Response::answer(200, zip_);
    const Response oddName = Response::answer(200, R"({"latest":"v9.0.0","beta":"v9.1-Beta",
        "releases":{"beta":{"zip":"../../.bashrc"},"stable":{"zip":"Tarvel-v9.0.0.zip"}}})");
    UpdateLimits small, unpackedCap, slow;
    small.archiveBytes = 50000;
    unpackedCap.unpackedBytes = 50000;
    slow.manifestDeadlineMs = slow.archiveDeadlineMs = 300;
    struct Case {
        QString failure;  // how it starts
        Response archive;
        Response manifest;
        const char* version = "v8";
        QString executable = {};
        UpdateLimits limits = {};
    };
    const QString downloadFailed = "Could not download Tarvel-v8.zip: ";
    const Case cases[] = {
        {"The update archive name \"../../.bashrc\" is not one Tarvel accepts.", zip, oddName,
         "v9.1-Beta"},
        {"The offered version \"../v9\" is not a version name Tarvel accepts.", zip, oddName,
         "../v9"},
        {"This Tarvel is not an installed Tarvel.app, so it cannot replace itself.", zip, oddName,
         "v9.1-Beta", "/usr/bin/tarvel"},
        {"Tarvel.app inside Tarvel-v8.zip has no bin/tarvel program.",
         Response::answer(200, launcherless), v8},
        {downloadFailed,
         Response::rawAnswer("HTTP/1.1 200 OK\r\nContent-Length: 900000\r\n\r\n" + zip_), v8},
        {downloadFailed + "the file is larger than 49 KB.", zip, v8, "v8", "", small},
        {"Could not extract Tarvel-v8.zip: the archive unpacks to more than 50000 bytes", zip, v8,
         "v8", "", unpackedCap},
        {downloadFailed + "it did not finish within", Response::noAnswer(), Response::noAnswer(),
         "v8", "", slow},
    };
    for (const Case& c : cases) {
        server_.route("/tarvel-pro/version.json", c.manifest);
        server_.route("/tarvel-pro/Tarvel-v8.zip", c.archive);
        limits_ = c.limits;
        // The deadlines, not the idle timeouts (12 s and 3 min), end the last case.
        waitMs_ = c.archive.silent ? 8000 : 60000;
        const auto failure = install(c.version, 0, c.executable).failure.value_or("");
        EXPECT_TRUE(failure.startsWith(c.failure)) << failure.toStdString();
    }
    EXPECT_EQ(readFile(bundle() + "/bin/tarvel"), "#!/bin/sh\necho old\n");
    EXPECT_FALSE(requested().contains("/tarvel-pro/../../.bashrc"));
    EXPECT_EQ(QDir(temp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{});
    EXPECT_FALSE(QFile::exists(runtime_ + "/tarvel-update"));
}

}  // namespace
}  // namespace tarvel
