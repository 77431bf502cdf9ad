#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include "BundleFixture.h"
#include "update/ArchiveExtract.h"
#include "update/DownloadCheck.h"

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

TEST_F(Archive, FindsTheBundleFollowingNoLinks) {
    ASSERT_TRUE(makeBundle(root_ + "/elsewhere", "#!/bin/sh\n"));
    const QString links = root_ + "/links";
    QDir().mkpath(links + "/a");
    ASSERT_TRUE(QFile::link(root_ + "/elsewhere/Tarvel.app", links + "/a/Tarvel.app"));
    ASSERT_TRUE(QFile::link(root_ + "/elsewhere", links + "/b"));
    ASSERT_TRUE(writeFile(links + "/c/Tarvel.app", "a file"));
    EXPECT_EQ(findAppBundle(links), std::nullopt);
    ASSERT_TRUE(makeBundle(links + "/d", "#!/bin/sh\n"));
    EXPECT_EQ(findAppBundle(links), links + "/d/Tarvel.app");
    EXPECT_TRUE(hasLauncher(links + "/d/Tarvel.app"));
    QFile::setPermissions(links + "/d/Tarvel.app/bin/tarvel", QFile::ReadOwner);
    EXPECT_FALSE(hasLauncher(links + "/d/Tarvel.app"));
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

class DownloadCheck : public ::testing::Test {
protected:
    // Writes `head` followed by zero bytes up to `size`.
    QString archive(const QByteArray& head, qint64 size) {
        const QString path = dir_.filePath("Tarvel-v2.zip");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QByteArray bytes = head.left(size);
        bytes.append(QByteArray(size - bytes.size(), '\0'));
        file.write(bytes);
        return path;
    }
    std::optional<QString> check(const DownloadOutcome& outcome, const QString& path) {
        return validateDownload(outcome, path, "Tarvel-v2.zip", "tarvel.app/tarvel",
                                [this](const QString& line) { logged_ << line; });
    }

    QTemporaryDir dir_;
    QStringList logged_;
};

TEST_F(DownloadCheck, FirstProblemWinsInOrder) {
    const QString html = "Got HTML instead of App ZIP. File may be missing on the server.";
    const QString notZip = "Downloaded file is not a valid ZIP.";
    const QByteArray zip = "PK\x03\x04";
    const DownloadOutcome ok{std::nullopt, 200};
    const DownloadOutcome refused{QString("Connection refused"), std::nullopt};
    const DownloadOutcome missing{std::nullopt, 404};
    const DownloadOutcome noStatus{std::nullopt, 0};
    const DownloadOutcome nothing{};
    struct Case {
        DownloadOutcome outcome;
        QByteArray head;
        qint64 size;
        std::optional<QString> message;
    };
    const Case cases[] = {
        {refused, zip, 40000, "Could not download Tarvel-v2.zip: Connection refused"},
        // The status comes before any look at the file, even a good one.
        {missing, zip, 40000,
         "Server returned HTTP 404 for Tarvel-v2.zip. Download manually from tarvel.app/tarvel."},
        {ok, "<html>", 40000, html},
        {noStatus, "<!", 2, html},
        {ok, "<", 1, notZip},
        {ok, "PK\x03", 3, notZip},
        {ok, "ZIP!", 40000, notZip},
        {ok, zip, 39999, "Downloaded package is too small (39999 bytes)."},
        {ok, zip, 40000, std::nullopt},
        {nothing, "PK\x05\x06", 41000, std::nullopt},
    };
    for (const Case& c : cases) {
        const QString path = archive(c.head, c.size);
        EXPECT_EQ(check(c.outcome, path), c.message) << c.head.toStdString() << " " << c.size;
    }
    EXPECT_EQ(check({}, dir_.filePath("missing.zip")), "Download did not save Tarvel-v2.zip.");
    EXPECT_TRUE(logged_.contains("Downloaded Tarvel-v2.zip: 39999 bytes"));
}

TEST(DownloadText, BytesAndProgress) {
    const std::pair<std::int64_t, const char*> sizes[] = {
        {0, "0 B"},     {1023, "1023 B"},     {1024, "1 KB"},      {1535, "1 KB"},
        {1536, "2 KB"}, {1048575, "1024 KB"}, {1048576, "1.0 MB"}, {15938355, "15.2 MB"},
    };
    for (const auto& [bytes, text] : sizes) EXPECT_EQ(formatBytes(bytes), text) << bytes;

    EXPECT_EQ(downloadProgressText(512, 2048, "v2"), "25% · 512 B of 2 KB");
    EXPECT_EQ(downloadProgressText(2047, 2048, "v2"), "99% · 2 KB of 2 KB");
    EXPECT_EQ(downloadProgressText(4096, 2048, "v2"), "100% · 4 KB of 2 KB");
    EXPECT_EQ(downloadProgressText(3 * 1048576, 0, "v2"), "3.0 MB downloaded · v2");
    EXPECT_EQ(downloadProgressText(10, -1, "v2"), "10 B downloaded · v2");
}

}  // namespace
}  // namespace tarvel
