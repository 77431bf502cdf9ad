#include <gtest/gtest.h>

#include <QSet>
#include <QTemporaryDir>

#include "BundleFixture.h"
#include "update/BundleReplace.h"

namespace tarvel {
namespace {

using test::readFile;

// Far above any pid_max: the helper's wait ends at once.
constexpr qint64 kGonePid = 999999999;

// The helper script itself runs for real below; the privileged command cannot, so its text
// is checked here.
TEST(HelperScript, QuotesPathsWithApostrophes) {
    EXPECT_EQ(shellQuote("/home/o'brien/Tarvel.app"), "/home/o'\\''brien/Tarvel.app");
    EXPECT_EQ(shellQuote("''"), "'\\'''\\''");

    const QString command = privilegedCommand("/h/o'b/cache/Tarvel.app", "/opt/Tarvel.app");
    EXPECT_TRUE(
        command.contains("cp -a --no-preserve=ownership '/h/o'\\''b/cache/Tarvel.app' "
                         "'/opt/Tarvel.app.new'"));

    // Each way pkexec can fail says something different.
    const QStringList texts{privilegedFailureText(-1), privilegedFailureText(1),
                            privilegedFailureText(126), privilegedFailureText(127)};
    EXPECT_EQ(QSet<QString>(texts.begin(), texts.end()).size(), 4);
}

class HelperRun : public ::testing::Test {
protected:
    void SetUp() override {
        base_ = dir_.path() + "/it's mine";
        target_ = base_ + "/Applications/Tarvel.app";
        staged_ = base_ + "/cache/Tarvel.app";
        ASSERT_TRUE(test::makeBundle(base_ + "/Applications", "old"));
    }
    // Runs the script to its end, as the detached helper would.
    void runHelper() {
        const QString path = base_ + "/apply.sh";
        ASSERT_TRUE(test::writeFile(
            path, helperScriptText({base_ + "/update.log", result(), kGonePid, target_, staged_})
                      .toUtf8()));
        ASSERT_EQ(test::runIn(base_, "/bin/bash", {path}), failing_ ? 1 : 0);
    }
    QString result() const { return base_ + "/update-result.txt"; }

    QTemporaryDir dir_;
    QString base_, target_, staged_;
    bool failing_ = false;
};

TEST_F(HelperRun, SwapsTheBundleUnderAQuotedPath) {
    ASSERT_TRUE(test::makeBundle(base_ + "/cache", "#!/bin/sh\nexit 0\n"));
    runHelper();
    EXPECT_EQ(readFile(result()), "ok|\n");
    EXPECT_TRUE(readFile(target_ + "/bin/tarvel").startsWith("#!/bin/sh"));
    EXPECT_FALSE(QFile::exists(target_ + ".new"));
    EXPECT_FALSE(QFile::exists(target_ + ".old"));
}

TEST_F(HelperRun, AFailedCopyKeepsTheOldBundle) {
    failing_ = true;  // nothing staged
    runHelper();
    EXPECT_EQ(readFile(result()), "fail|cp failed\n");
    EXPECT_EQ(readFile(target_ + "/bin/tarvel"), "old");
    EXPECT_FALSE(readFile(base_ + "/update.log").isEmpty());  // cp's complaint
}

}  // namespace
}  // namespace tarvel
