#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <nlohmann/json.hpp>

#include "drain/DrainLog.h"
#include "drain/IsoTime.h"
#include "support/FixtureTree.h"
#include "support/JsonLines.h"
#include "support/WaitUntil.h"

namespace tarvel {
namespace {

const double kStart = static_cast<double>(*parseIsoTime("2026-03-01T12:00:00Z"));

class DrainLogTest : public ::testing::Test {
protected:
    test::FixtureTree dir;
    ManualClock clock{kStart};
    UserDefaults defaults{dir.root() + "/defaults.json"};
    std::string support = dir.root() + "/support";
    std::string file = support + "/drain.jsonl";

    void SetUp() override { QDir().mkpath(QString::fromStdString(support)); }

    std::unique_ptr<DrainLog> makeLog(int randomValue = 7) {
        return std::make_unique<DrainLog>(clock, defaults, support,
                                          [randomValue] { return randomValue; });
    }
    std::string content() const { return dir.read("support/drain.jsonl"); }
    bool exists() const { return QFileInfo::exists(QString::fromStdString(file)); }
    void writeLog(const std::string& text) const { dir.write("support/drain.jsonl", text); }
    std::string line(double secondsAgo, const std::string& kind = "event") const {
        return R"({"t":")" + formatIsoUtc(clock.now() - secondsAgo) + R"(","kind":")" + kind +
               R"(","name":"x"})" + "\n";
    }
};

TEST_F(DrainLogTest, RecordsAreAppendedInOrderAndPowerRecordsCarryTheLastTopProcess) {
    auto log = makeLog();
    log->recordPower(81, 6.25, 9.5, false);
    log->waitForPendingWork();
    ASSERT_TRUE(exists());
    EXPECT_EQ(
        content(),
        R"({"t":"2026-03-01T12:00:00Z","kind":"power","level":81,"packageW":6.25,"chargeW":9.5,)"
        R"("charging":false,"top":"","topScore":0.0})"
        "\n");

    clock.advance(25.5);
    log->recordTopProcess("Safari", 12.5, 30.0);
    clock.advance(5);
    log->recordPower(80, 5.0, 8.0, true);
    log->recordEvent("display_sleep");
    log->waitForPendingWork();

    const auto records = test::jsonLines(content());
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(
        records[1],
        nlohmann::json::parse(
            R"({"t":"2026-03-01T12:00:25Z","kind":"proc","name":"Safari","score":12.5,"cpu":30.0})"));
    EXPECT_EQ(records[2]["top"], "Safari");
    EXPECT_EQ(records[2]["topScore"], 12.5);
    EXPECT_EQ(records[3],
              nlohmann::json::parse(
                  R"({"t":"2026-03-01T12:00:30Z","kind":"event","name":"display_sleep"})"));

    // The analysis reads the same file.
    const auto why = log->whyLastHour();
    EXPECT_EQ(why.dropPercent, 1);
    ASSERT_EQ(why.culprits.size(), 1u);
    EXPECT_EQ(why.culprits[0].name, "Safari");

    // Names that are not UTF-8 cannot be serialised: the record is dropped, nothing else.
    log->recordEvent(std::string("bad\xff", 4));
    log->waitForPendingWork();
    EXPECT_EQ(test::jsonLines(content()).size(), 4u);
}

TEST_F(DrainLogTest, RetentionIsReadWithDefaultsAndClampedWhenSet) {
    EXPECT_EQ(makeLog()->retentionDays(), 14);
    defaults.setString(DrainLog::kRetentionKey, "7");  // not an integer: the default
    EXPECT_EQ(makeLog()->retentionDays(), 14);
    for (const auto& [stored, read] : std::vector<std::pair<int, int>>{{0, 14}, {45, 30}, {3, 3}}) {
        defaults.setInteger(DrainLog::kRetentionKey, stored);
        EXPECT_EQ(makeLog()->retentionDays(), read) << stored;
    }
    auto log = makeLog();
    EXPECT_EQ(log->retentionDays(), 3);

    int changes = 0;
    QObject::connect(log.get(), &DrainLog::retentionDaysChanged, [&] { ++changes; });
    log->setRetention(0);
    EXPECT_EQ(defaults.integer(DrainLog::kRetentionKey), 1);
    log->setRetention(45);
    EXPECT_EQ(log->retentionDays(), 30);
    log->setRetention(30);
    EXPECT_EQ(changes, 2);

    // Setting the retention prunes with the new value.
    writeLog(line(3 * 86400.0) + line(60));
    log->setRetention(2);
    log->waitForPendingWork();
    EXPECT_EQ(content(), line(60));
}

TEST_F(DrainLogTest, PruneKeepsRecentRecordsAndDropsOldAndMalformedLines) {
    const std::string recent = line(3600);
    const std::string reordered =
        R"({"kind":"event","name":"y","t":")" + formatIsoUtc(clock.now() - 60) + "\"}\n";
    const std::string offset = R"({"t":")" +
                               formatIsoUtc(clock.now() - 86400.0 * 14 + 7200).substr(0, 19) +
                               "+01:00\",\"kind\":\"event\"}\n";
    writeLog(line(20 * 86400.0) + recent + "{\"t\":\"soon\",\"kind\":\"event\"}\n" +
             "{\"t\":\"2026-03-01T11:00:00Z\",\"kind\":\"po\n" + "[\"t\",1]\n" + "\n" +
             "{\"kind\":\"event\"}\n" + "{\"t\":5}\n" + reordered + offset +
             "{\"t\":\"2026-03-01T11:30:00Z\" trailing}\n" + line(86400.0 * 14 + 1) +
             line(86400.0 * 14));
    auto log = makeLog();
    log->prune();
    log->waitForPendingWork();
    EXPECT_EQ(content(), recent + reordered + offset + line(86400.0 * 14));
}

TEST_F(DrainLogTest, PruneThatKeepsNothingLeavesAnEmptyFileAndClearStartsAfresh) {
    auto log = makeLog();
    log->prune();
    log->waitForPendingWork();
    EXPECT_FALSE(exists());

    writeLog(line(40 * 86400.0) + "garbage");
    log->prune();
    log->waitForPendingWork();
    EXPECT_TRUE(exists());
    EXPECT_EQ(content(), "");

    // Clearing, then recording, starts a fresh file.
    writeLog(line(100) + line(50));
    log->clearAll();
    log->recordEvent("display_wake");
    log->waitForPendingWork();
    EXPECT_EQ(content(), R"({"t":"2026-03-01T12:00:00Z","kind":"event","name":"display_wake"})"
                         "\n");
    log->clearAll();
    log->clearAll();  // a missing file is fine
    log->waitForPendingWork();
    EXPECT_FALSE(exists());
}

TEST_F(DrainLogTest, OneAppendInThirtyPrunesAfterwards) {
    // Retention counts in days: a record two days old stays, one past the 14 days goes.
    const std::string history = line(20 * 86400.0) + line(2 * 86400.0) + line(10);
    writeLog(history);
    auto log = makeLog(0);  // the random draw that prunes
    log->recordEvent("display_wake");
    log->waitForPendingWork();
    EXPECT_EQ(content().substr(0, content().find("display_wake")),
              (line(2 * 86400.0) + line(10) +
               R"({"t":"2026-03-01T12:00:00Z","kind":"event",)"
               R"("name":")"));
    log.reset();  // let go of the writer lock

    writeLog(history);
    auto quiet = makeLog(29);
    quiet->recordEvent("display_wake");
    quiet->waitForPendingWork();
    EXPECT_EQ(test::jsonLines(content()).size(), 4u);
}

TEST_F(DrainLogTest, AFileThatCannotBeOpenedForAppendingIsNeverReplaced) {
    QDir().mkpath(QString::fromStdString(file));  // exists, but is no file
    auto log = makeLog(0);
    std::vector<std::string> notices;
    log->setNoticeHandler([&](const std::string& text) { notices.push_back(text); });
    log->recordPower(50, 1, 1, false);
    log->waitForPendingWork();
    EXPECT_TRUE(QFileInfo(QString::fromStdString(file)).isDir());
    EXPECT_EQ(notices.size(), 1u);
    QDir().rmdir(QString::fromStdString(file));

    // A read-only file (permissions do not stop root, so only checked for other users).
    if (::geteuid() != 0) {
        writeLog(line(10));
        QFile::setPermissions(QString::fromStdString(file), QFileDevice::ReadOwner);
        log->recordPower(50, 1, 1, false);
        log->waitForPendingWork();
        QFile::setPermissions(QString::fromStdString(file),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        EXPECT_EQ(content(), line(10));
    }
}

TEST_F(DrainLogTest, OnlyTheLockHolderWritesAndTheOtherSaysSoOnce) {
    auto app = makeLog();
    ASSERT_TRUE(app->acquireWriterLock());
    auto second = makeLog();
    std::vector<std::string> notices;
    second->setNoticeHandler([&](const std::string& text) { notices.push_back(text); });
    EXPECT_FALSE(second->acquireWriterLock());
    second->recordEvent("display_sleep");
    second->prune();
    second->clearAll();
    app->recordEvent("display_wake");
    app->waitForPendingWork();
    second->waitForPendingWork();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], second->writerBusyNotice());
    EXPECT_NE(notices[0].find(support), std::string::npos);
    ASSERT_EQ(test::jsonLines(content()).size(), 1u);
    EXPECT_EQ(test::jsonLines(content())[0]["name"], "display_wake");

    // When the writer goes away the other takes over at its next write.
    app.reset();
    second->recordEvent("system_wake");
    second->waitForPendingWork();
    EXPECT_EQ(test::jsonLines(content()).size(), 2u);
    EXPECT_TRUE(second->acquireWriterLock());
    EXPECT_EQ(notices.size(), 1u);
}

// Another process's log cannot touch the file, but its clear and retention change are settings
// the writer follows; a clear asked while nobody writes is done by the next writer.
TEST_F(DrainLogTest, ClearAndRetentionAskedElsewhereAreCarriedOutByTheWriter) {
    writeLog(line(5 * 86400.0) + line(2 * 86400.0) + line(60));
    auto writer = makeLog();
    ASSERT_TRUE(writer->acquireWriterLock());
    auto settled = [&](const std::string& expected) {
        return test::waitUntil([&] {
            writer->waitForPendingWork();
            return content() == expected;
        });
    };
    UserDefaults elsewhere(dir.root() + "/defaults.json");  // the other process's view
    {
        DrainLog other(clock, elsewhere, support, [] { return 7; });
        other.setNoticeHandler({});
        other.setRetention(3);
        EXPECT_TRUE(settled(line(2 * 86400.0) + line(60))) << content();
        EXPECT_EQ(writer->retentionDays(), 3);

        clock.advance(30);
        other.clearAll();
        EXPECT_TRUE(settled("")) << content();
        clock.advance(1);
        writer->recordEvent("display_wake");  // written after the clear: stays
        writer->prune();
        EXPECT_TRUE(settled(line(0).replace(line(0).find("x"), 1, "display_wake")));
    }

    writer.reset();
    clock.advance(60);
    const std::string before = content();
    writeLog(before + line(1));
    elsewhere.setDate(DrainLog::kClearedBeforeKey, clock.now());  // nobody writes just now
    auto next = makeLog();
    EXPECT_TRUE(next->acquireWriterLock());
    EXPECT_EQ(content(), "");
}

TEST_F(DrainLogTest, APruneInterruptedBeforeTheRenameLeavesTheOldFileWhole) {
    std::string original;
    for (int i = 0; i < 2000; ++i) original += line(20 * 86400.0 - i);
    original += line(5);
    writeLog(original);

    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_EXIT(
        {
            auto log = makeLog();
            log->setBeforeReplaceHook([] { ::_exit(3); });
            log->prune();
            log->waitForPendingWork();
            ::_exit(0);
        },
        ::testing::ExitedWithCode(3), "");
    EXPECT_EQ(content(), original);
    // Where the file system has no anonymous temporary files, a crash leaves a named one.
    dir.write("support/drain.jsonl.Ab12Cd", "half-written");
    const QDir folder(QString::fromStdString(support));

    // The next prune finishes the job and clears the leftover.
    auto log = makeLog();
    log->prune();
    log->waitForPendingWork();
    EXPECT_EQ(content(), line(5));
    EXPECT_TRUE(folder.entryList({"drain.jsonl.*"}, QDir::Files).isEmpty());
}

}  // namespace
}  // namespace tarvel
