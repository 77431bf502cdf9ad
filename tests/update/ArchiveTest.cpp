#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include "BundleFixture.h"
#include "update/ArchiveExtract.h"

namespace tarvel {
namespace {

using test::makeBundle;
using test::runIn;
using test::writeFile;

class Archive : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = dir_.path();
        QDir().mkpath(source());
        QDir().mkpath(unpacked());
    }
    QString source() const { return root_ + "/source"; }
    QString unpacked() const { return root_ + "/out/unpacked"; }
    // Zips `entries` (relative to the source folder) into root/name with `options`.
    QString zip(const QString& name, const QStringList& entries, const QStringList& options = {}) {
        const QString path = root_ + "/" + name;
        EXPECT_EQ(runIn(source(), "zip",
                        QStringList{"-q", "-r", "-X"} + options + QStringList{path} + entries),
                  0);
        return path;
    }
    // Renames an entry in place (both headers), keeping its length.
    static void renameEntry(const QString& archive, const QByteArray& from, const QByteArray& to) {
        ASSERT_EQ(from.size(), to.size());
        QByteArray bytes = test::readFile(archive);
        ASSERT_TRUE(bytes.contains(from));
        bytes.replace(from, to);
        ASSERT_TRUE(writeFile(archive, bytes));
    }

    QTemporaryDir dir_;
    QString root_;
};

TEST_F(Archive, UnpacksAndFindsTheBundle) {
    ASSERT_TRUE(makeBundle(source() + "/Release", "#!/bin/sh\n"));
    const QString archive = zip("release.zip", {"Release"});
    EXPECT_EQ(extractApp(archive, unpacked()), std::nullopt);
    EXPECT_EQ(findAppBundle(unpacked()), unpacked() + "/Release/Tarvel.app");
    EXPECT_TRUE(hasLauncher(unpacked() + "/Release/Tarvel.app"));
    QFile::setPermissions(unpacked() + "/Release/Tarvel.app/bin/tarvel", QFile::ReadOwner);
    EXPECT_FALSE(hasLauncher(unpacked() + "/Release/Tarvel.app"));
}

// Made on another system: unzip still makes the link, but its listing shows no "l" mode.
void markMadeOnVms(const QString& archive) {
    QByteArray bytes = test::readFile(archive);
    for (qsizetype at = bytes.indexOf("PK\x01\x02"); at >= 0;
         at = bytes.indexOf("PK\x01\x02", at + 1))
        bytes[at + 5] = 2;
    ASSERT_TRUE(writeFile(archive, bytes));
}

TEST_F(Archive, RefusesEntriesThatLeaveTheFolderOrPassTheCap) {
    ASSERT_TRUE(writeFile(source() + "/zz/evil", "boom"));
    const QString parentEscape = zip("parent.zip", {"zz"});
    renameEntry(parentEscape, "zz/evil", "../evil");
    const QString absolute = zip("absolute.zip", {"zz"});
    renameEntry(absolute, "zz/evil", "/z/evil");
    ASSERT_TRUE(QFile::link(root_, source() + "/link"));
    const QString link = zip("link.zip", {"zz", "link"}, {"-y"});
    const QString foreignLink = zip("vms.zip", {"zz", "link"}, {"-y"});
    markMadeOnVms(foreignLink);
    ASSERT_TRUE(writeFile(source() + "/zeros", QByteArray(3 << 20, '\0')));
    const QString bomb = zip("bomb.zip", {"zeros"});
    const QString locked = zip("locked.zip", {"zz"}, {"-P", "secret"});

    const std::pair<QString, QString> cases[] = {
        {parentEscape, "outside its folder (../evil)"},
        {absolute, "outside its folder (/z/evil)"},
        {link, "symbolic link (link)"},
        {foreignLink, "symbolic link (link)"},
        {bomb, "unpacks to more than 1048576 bytes"},
        {locked, "unable to get password"},
    };
    UpdateLimits limits;
    limits.unpackedBytes = 1 << 20;
    for (const auto& [archive, reason] : cases) {
        QDir(unpacked()).removeRecursively();
        const auto error = extractApp(archive, unpacked(), limits);
        ASSERT_TRUE(error) << archive.toStdString();
        EXPECT_TRUE(error->contains(reason)) << error->toStdString();
    }
    EXPECT_FALSE(QFile::exists(root_ + "/out/evil"));
    EXPECT_FALSE(QFile::exists(unpacked() + "/zeros"));  // refused before unpacking

    ASSERT_TRUE(writeFile(root_ + "/garbage.zip", QByteArray(50000, 'x')));
    EXPECT_TRUE(extractApp(root_ + "/garbage.zip", unpacked()));
}

// unzip asks the controlling terminal for an encrypted entry's password: the check above runs
// again in a child that has one.
TEST_F(Archive, AsksNoPasswordUnderATerminal) {
    QProcess child;
    child.setStandardInputFile(QProcess::nullDevice());
    child.start("/usr/bin/script",
                {"-qec",
                 "'" + QCoreApplication::applicationFilePath() +
                     "' --gtest_filter=Archive.RefusesEntriesThatLeaveTheFolderOrPassTheCap",
                 "/dev/null"});
    const bool ended = child.waitForFinished(30000);
    if (!ended) child.kill();
    EXPECT_TRUE(ended) << "unzip waited for a password";
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
}

TEST_F(Archive, FindFollowsNoLinks) {
    ASSERT_TRUE(makeBundle(root_ + "/elsewhere", "#!/bin/sh\n"));
    QDir().mkpath(unpacked() + "/a");
    ASSERT_TRUE(QFile::link(root_ + "/elsewhere/Tarvel.app", unpacked() + "/a/Tarvel.app"));
    ASSERT_TRUE(QFile::link(root_ + "/elsewhere", unpacked() + "/b"));
    ASSERT_TRUE(writeFile(unpacked() + "/c/Tarvel.app", "a file"));
    EXPECT_EQ(findAppBundle(unpacked()), std::nullopt);

    ASSERT_TRUE(makeBundle(unpacked() + "/d", "#!/bin/sh\n"));
    EXPECT_EQ(findAppBundle(unpacked()), unpacked() + "/d/Tarvel.app");
}

}  // namespace
}  // namespace tarvel
