#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QTemporaryDir>

#include "update/PendingResult.h"

namespace tarvel {
namespace {

TEST(PendingResult, ReportsEverythingButOk) {
    const QString helperDefault = "The update helper did not finish successfully.";
    struct Case {
        const char* text;
        std::optional<QString> message;
    };
    const Case cases[] = {
        {"ok|\n", std::nullopt},
        {"ok|all done\n", std::nullopt},
        {"pending|Update in progress…\n", QString("Update in progress…")},
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

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("fail|cp failed\n");
    file.close();
    EXPECT_EQ(takeResultFile(path), "fail|cp failed\n");
    EXPECT_FALSE(QFile::exists(path));  // so its alert shows once
    EXPECT_FALSE(takeResultFile(path));

    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("fail|\xff\xfe\n");  // not UTF-8
    file.close();
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
