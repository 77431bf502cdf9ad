#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include "BundleFixture.h"
#include "update/BundleReplace.h"
#include "update/PendingResult.h"
#include "update/UpdatePaths.h"

namespace tarvel {
namespace {

using test::readFile;

// Far above any pid_max: the helper's wait ends at once.
constexpr qint64 kGonePid = 999999999;

class HelperRun : public ::testing::Test {
protected:
    void SetUp() override {
        base_ = dir_.path() + "/it's mine";
        target_ = base_ + "/Applications/Tarvel.app";
        staged_ = base_ + "/cache/Tarvel.app";
        ASSERT_TRUE(test::makeBundle(base_ + "/Applications", "old"));
        // A mv that cannot put the new bundle in place.
        ASSERT_TRUE(test::writeFile(base_ + "/bin/mv",
                                    "#!/bin/sh\ncase \"$1\" in *.new) exit 1;; esac\n"
                                    "exec /bin/mv \"$@\"\n",
                                    true));
    }
    // Runs the script to its end, as the detached helper would.
    int runHelper(bool failingMove = false) {
        const QString path = base_ + "/apply.sh";
        EXPECT_TRUE(test::writeFile(
            path, helperScriptText({base_ + "/update.log", result(), kGonePid, target_, staged_})
                      .toUtf8()));
        const QString searchPath = (failingMove ? base_ + "/bin:" : QString()) + "/usr/bin:/bin";
        return test::runIn(base_, "/usr/bin/env", {"PATH=" + searchPath, "/bin/bash", path});
    }
    // Runs the command pkexec would run as root, with the target in the test's folder.
    int runPrivileged() {
        return test::runIn(base_, "/bin/sh", {"-c", privilegedCommand(staged_, target_)});
    }
    QString result() const { return base_ + "/update-result.txt"; }

    QTemporaryDir dir_;
    QString base_, target_, staged_;
};

// Each way the swap can fail (the swap that works is UpdateEndToEnd's).
TEST_F(HelperRun, SwapsOrKeepsTheOldBundle) {
    struct Case {
        const char* launcher;  // nothing: nothing staged
        bool executable;
        bool failingMove;
        const char* result;
    };
    const Case cases[] = {
        {nullptr, true, false, "fail|cp failed\n"},
        {"#!/bin/sh\nexit 0\n", true, true, "fail|Could not move the new Tarvel.app into place\n"},
        {"#!/bin/sh\nexit 0\n", false, false,
         "fail|The new Tarvel did not start (exit status 126)\n"},
    };
    for (const Case& c : cases) {
        QDir(staged_).removeRecursively();
        if (c.launcher) {
            ASSERT_TRUE(test::makeBundle(base_ + "/cache", c.launcher));
        }
        if (!c.executable) QFile::setPermissions(staged_ + "/bin/tarvel", QFile::ReadOwner);
        EXPECT_EQ(runHelper(c.failingMove), 1) << c.result;
        EXPECT_EQ(readFile(result()), c.result);
        if (!QByteArray(c.result).contains("start")) {
            EXPECT_EQ(readFile(target_ + "/bin/tarvel"), "old") << c.result;
        }
        EXPECT_FALSE(QFile::exists(target_ + ".old"));
    }
    EXPECT_EQ(readFile(target_ + "/bin/tarvel"), "#!/bin/sh\nexit 0\n");
    EXPECT_TRUE(readFile(base_ + "/update.log").contains("cp"));  // cp's complaint
}

// Whatever the user's staged copy holds, root copies out plain files and folders with safe modes,
// or nothing.
TEST_F(HelperRun, PrivilegedCopyStripsModesAndRefusesOddFiles) {
    const auto mode = [](const QString& path) {
        struct stat info {};
        ::lstat(QFile::encodeName(path).constData(), &info);
        return info.st_mode & 07777;
    };
    enum Plant { Nothing, Fifo, Link, NoLauncher };
    for (Plant plant : {Fifo, Link, NoLauncher, Nothing}) {
        QDir(staged_).removeRecursively();
        ASSERT_TRUE(test::makeBundle(base_ + "/cache", "#!/bin/sh\nnew\n"));
        ::chmod(QFile::encodeName(staged_ + "/bin/tarvel").constData(), 06777);
        ::chmod(QFile::encodeName(staged_ + "/share").constData(), 0777);
        if (plant == Fifo) ::mkfifo(QFile::encodeName(staged_ + "/share/pipe").constData(), 0600);
        if (plant == Link) QFile::link("/nowhere", staged_ + "/lib");
        if (plant == NoLauncher) QFile::remove(staged_ + "/bin/tarvel");
        EXPECT_EQ(runPrivileged() == 0, plant == Nothing) << plant;
        EXPECT_FALSE(QFile::exists(target_ + ".new"));
        EXPECT_EQ(readFile(target_ + "/bin/tarvel"), plant == Nothing ? "#!/bin/sh\nnew\n" : "old");
    }
    EXPECT_EQ(mode(target_ + "/bin/tarvel"), 0755u);
    QDirIterator all(target_, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                     QDirIterator::Subdirectories);
    while (all.hasNext()) EXPECT_EQ(mode(all.next()) & 06022, 0u) << all.filePath().toStdString();
}

// A link planted where the staged copy goes is replaced, never followed.
TEST_F(HelperRun, StagingReplacesAPlantedLink) {
    const UpdatePaths paths{base_, base_ + "/state", base_ + "/cache"};
    ASSERT_TRUE(test::writeFile(base_ + "/precious/keep", "mine"));
    QDir().mkpath(paths.stagingRoot());
    ASSERT_TRUE(QFile::link(base_ + "/precious", paths.stagedCopy()));
    ASSERT_TRUE(test::makeBundle(base_ + "/new", "#!/bin/sh\n"));
    // No work folder: it stops after staging, before any helper starts.
    const ReplaceResult replaced =
        replaceApp(base_ + "/new/Tarvel.app", target_, paths, base_ + "/absent", kGonePid);
    EXPECT_EQ(replaced.error, "Could not prepare the update helper script.");
    EXPECT_EQ(readFile(base_ + "/precious/keep"), "mine");
    EXPECT_FALSE(QFileInfo(paths.stagedCopy()).isSymLink());
    EXPECT_EQ(readFile(paths.stagedCopy() + "/bin/tarvel"), "#!/bin/sh\n");
}

TEST(PendingResult, ReportsEverythingButOk) {
    const QString helperDefault = "The update helper did not finish successfully.";
    struct Case {
        const char* text;
        std::optional<QString> message;
    };
    const Case cases[] = {
        {"ok|\n", std::nullopt},
        {"ok|all done\n", std::nullopt},
        {"fail", helperDefault},
        {"fail|a|b\n", QString("a|b")},
        {"OK|\n", QString("")},
        {"\n\n  \n", std::nullopt},
        {"", std::nullopt},
        {"  \nfail|cp failed  \n\n", QString("cp failed")},
        {"|no status", QString("no status")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(unfinishedUpdateMessage(QString::fromUtf8(c.text)), c.message)
            << "result text: " << c.text;
    }
}

TEST(PendingResult, ReadsOnceAndLeavesWhatItCannotRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath("update-result.txt");

    EXPECT_FALSE(takeResultFile(path));  // none
    ASSERT_TRUE(test::writeFile(path, "fail|cp failed\n"));
    EXPECT_EQ(takeResultFile(path), "fail|cp failed\n");
    EXPECT_FALSE(QFile::exists(path));  // so its alert shows once
    EXPECT_FALSE(takeResultFile(path));

    ASSERT_TRUE(test::writeFile(path, "fail|\xff\xfe\n"));  // not UTF-8
    EXPECT_FALSE(takeResultFile(path));
    EXPECT_TRUE(QFile::exists(path));
    QFile::remove(path);

    // A FIFO someone left there must not block the launch.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    EXPECT_FALSE(takeResultFile(path));
    EXPECT_TRUE(QFile::exists(path));
}

}  // namespace
}  // namespace tarvel
