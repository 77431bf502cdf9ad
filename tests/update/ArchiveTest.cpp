#include <gtest/gtest.h>

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
}

TEST_F(Archive, RefusesEntriesThatLeaveTheFolder) {
    ASSERT_TRUE(writeFile(source() + "/zz/evil", "boom"));
    const QString parentEscape = zip("parent.zip", {"zz"});
    renameEntry(parentEscape, "zz/evil", "../evil");
    const QString absolute = zip("absolute.zip", {"zz"});
    renameEntry(absolute, "zz/evil", "/z/evil");
    ASSERT_TRUE(QFile::link("/etc/hostname", source() + "/link"));
    const QString link = zip("link.zip", {"zz", "link"}, {"-y"});

    const std::pair<QString, QString> cases[] = {
        {parentEscape, "outside its folder (../evil)"},
        {absolute, "outside its folder (/z/evil)"},
        {link, "symbolic link (link)"},
    };
    for (const auto& [archive, reason] : cases) {
        const auto error = extractApp(archive, unpacked());
        ASSERT_TRUE(error) << archive.toStdString();
        EXPECT_TRUE(error->contains(reason)) << error->toStdString();
        EXPECT_TRUE(QDir(unpacked()).isEmpty())
            << "nothing unpacked from " << archive.toStdString();
    }
    EXPECT_FALSE(QFile::exists(root_ + "/out/evil"));

    ASSERT_TRUE(writeFile(root_ + "/garbage.zip", QByteArray(50000, 'x')));
    EXPECT_TRUE(extractApp(root_ + "/garbage.zip", unpacked()));
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
