#include <sys/stat.h>
#include <unistd.h>

#include "drain/DrainLogFixture.h"
#include "support/JsonLines.h"
#include "support/WaitUntil.h"

namespace tarvel {
namespace {

using test::DrainLogTest;

TEST_F(DrainLogTest, RecordsAreAppendedInOrderAndPowerRecordsCarryTheLastTopProcess) {
    auto log = makeLog();
    log->recordPower(81, 6.25, 9.5, false);
    log->waitForPendingWork();
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

    // The process and event records' own shapes are pinned where they are written.
    const auto records = test::jsonLines(content());
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[2]["t"], "2026-03-01T12:00:30Z");
    EXPECT_EQ(records[2]["top"], "Safari");
    EXPECT_EQ(records[2]["topScore"], 12.5);

    // Names that are not UTF-8 cannot be serialised: the record is dropped, nothing else.
    log->recordEvent(std::string("bad\xff", 4));
    log->waitForPendingWork();
    EXPECT_EQ(test::jsonLines(content()).size(), 4u);
}

TEST_F(DrainLogTest, RetentionIsReadWithDefaultsAndClampedWhenSet) {
    defaults.setString(DrainLog::kRetentionKey, "7");  // not an integer: the default, 14
    EXPECT_EQ(makeLog()->retentionDays(), 14);
    for (const auto& [stored, read] : std::vector<std::pair<int, int>>{{0, 14}, {45, 30}, {3, 3}}) {
        defaults.setInteger(DrainLog::kRetentionKey, stored);
        EXPECT_EQ(makeLog()->retentionDays(), read) << stored;
    }
    auto log = makeLog();
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
    // JSON keeps the last of repeated keys, however spelled: the first "t" must not decide.
    const std::string repeated =
        R"({"t":"2020-01-01T00:00:00Z","\u0074":")" + formatIsoUtc(clock.now() - 30) + "\"}\n";
    const std::string offset = R"({"t":")" +
                               formatIsoUtc(clock.now() - 86400.0 * 14 + 7200).substr(0, 19) +
                               "+01:00\",\"kind\":\"event\"}\n";
    writeLog(line(20 * 86400.0) + recent + "{\"t\":\"soon\",\"kind\":\"event\"}\n" +
             "{\"t\":\"2026-03-01T11:00:00Z\",\"kind\":\"po\n" + "[\"t\",1]\n" + "\n" +
             "{\"kind\":\"event\"}\n" + "{\"t\":5}\n" + reordered + offset +
             "{\"t\":\"2026-03-01T11:30:00Z\" trailing}\n" + line(86400.0 * 14 + 1) +
             line(86400.0 * 14) + repeated + R"({"t":")" + formatIsoUtc(clock.now() - 30) +
             R"(","\u0074":"2020-01-01T00:00:00Z"})" + "\n");
    auto log = makeLog();
    log->prune();
    log->waitForPendingWork();
    EXPECT_EQ(content(), recent + reordered + offset + line(86400.0 * 14) + repeated);
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

// Retention counts in days, and a prune drawn after an append (one in 30) rewrites the file only
// once its oldest record is a thirtieth of the retention past it (at 14 days, 11.2 hours), or its
// first line is no record.
TEST_F(DrainLogTest, ADrawnPruneRewritesOnlyOnceTheOldestRecordIsWellPastTheRetention) {
    const std::string kept = line(2 * 86400.0), due = line(14 * 86400.0 + 40920),
                      late = line(14 * 86400.0 + 39720), now = line(0);
    const struct {
        std::string history;
        int draw;
        std::string after;
    } cases[] = {
        {due + late + kept, 0, kept + now},
        {late + kept, 0, late + kept + now},
        {"{\"t\":\"soon\"}\n" + kept, 0, kept + now},
        {due + kept, 29, due + kept + now},
    };
    for (const auto& c : cases) {
        writeLog(c.history);
        makeLog(c.draw)->recordEvent("x");
        EXPECT_EQ(content(), c.after) << c.history;
    }
}

// The writer also clears leftover temporaries as it starts, and only the writer: another
// process's leftover-looking file may be the writer's replace under way.
TEST_F(DrainLogTest, OnlyTheLockHolderWritesAndClearsLeftoversAndTheOtherSaysSoOnce) {
    dir.write("support/drain.jsonl.Ab12Cd", "half-written");
    dir.write("support/drain.jsonl.backup-of-mine", "not ours");
    auto app = makeLog();
    ASSERT_TRUE(app->acquireWriterLock());
    EXPECT_EQ(temporaries(), std::vector<std::string>{"drain.jsonl.backup-of-mine"});
    dir.write("support/drain.jsonl.Ef34Gh", "the writer's, being written");
    auto second = makeLog();
    EXPECT_FALSE(second->acquireWriterLock());
    second->recordEvent("display_sleep");
    second->prune();
    second->clearAll();
    app->recordEvent("display_wake");
    app->waitForPendingWork();
    second->waitForPendingWork();
    EXPECT_EQ(notices, std::vector<std::string>{second->writerBusyNotice()});
    EXPECT_NE(notices[0].find(support), std::string::npos);
    EXPECT_EQ(temporaries().size(), 2u);
    EXPECT_EQ(content(), line(0, "display_wake"));

    // When the writer goes away the other takes over at its next write.
    app.reset();
    second->recordEvent("system_wake");
    second->waitForPendingWork();
    EXPECT_EQ(content(), line(0, "display_wake") + line(0, "system_wake"));
    EXPECT_TRUE(second->acquireWriterLock());
    EXPECT_EQ(notices.size(), 1u);
    EXPECT_EQ(temporaries(), std::vector<std::string>{"drain.jsonl.backup-of-mine"});
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
        EXPECT_TRUE(settled(line(0, "display_wake")));
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
    ::chmod(file.c_str(), 0640);

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

    auto log = makeLog();
    log->prune();
    log->waitForPendingWork();
    EXPECT_EQ(content(), line(5));
    // The history keeps its mode, not the temporary's.
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_TRUE(temporaries().empty());
}

}  // namespace
}  // namespace tarvel
