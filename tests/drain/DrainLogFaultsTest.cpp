// The history file when the machine or its user is unkind: full disks, odd files in its place,
// a lock that cannot be opened, power lost in the middle of a prune.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "drain/DrainLogFile.h"
#include "drain/DrainLogFixture.h"
#include "drain/WhyDrain.h"

namespace tarvel {
namespace {

using drain_file::LogRead;

const double kStart = test::kLogStart;
const std::string kOld = R"({"t":"2026-01-01T00:00:00Z","kind":"event","name":"old"})"
                         "\n";
const std::string kKept = R"({"t":"2026-03-01T11:00:00Z","kind":"event","name":"kept"})"
                          "\n";
const std::string kNew = R"({"t":"2026-03-01T12:00:00Z","kind":"event","name":"x"})"
                         "\n";

bool makeFifo(const std::string& path) {
    return ::mkfifo(path.c_str(), 0600) == 0;
}

// Where a descriptor points, to tell the temporary, the log and the folder apart.
std::string pathOf(int fd) {
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), ec).string();
}

// A disk that fills up after `room` more bytes.
drain_file::FileCalls diskWithRoom(std::size_t room) {
    auto left = std::make_shared<std::size_t>(room);
    drain_file::FileCalls calls;
    calls.write = [left](int fd, const char* data, std::size_t size) -> long {
        if (*left == 0) {
            errno = ENOSPC;
            return -1;
        }
        const std::size_t n = std::min(size, *left);
        *left -= n;
        return ::write(fd, data, n);
    };
    return calls;
}

// The history's own fixture, its tests told apart by name.
using DrainFileFaults = test::DrainLogTest;

TEST_F(DrainFileFaults, ReadsNeverBlockAndOnlyARegularFileCountsAsTheLog) {
    dir.write("plain.jsonl", kKept);
    QDir().mkpath(QString::fromStdString(dir.root() + "/folder.jsonl"));
    ASSERT_TRUE(makeFifo(dir.root() + "/fifo.jsonl"));
    dir.write("Tarvel", "a file where the folder should be");
    struct Case {
        std::string path;
        LogRead::Status status;
        std::string problem;  // what is said, after the test folder
    };
    const std::vector<Case> cases{
        {"missing.jsonl", LogRead::Status::Missing, ""},
        {"plain.jsonl", LogRead::Status::Read, ""},
        {"folder.jsonl", LogRead::Status::Unreadable, "folder.jsonl: is a folder, not a file"},
        {"fifo.jsonl", LogRead::Status::Unreadable, "fifo.jsonl: is not a regular file"},
        {"Tarvel/drain.jsonl", LogRead::Status::Unreadable, "Tarvel/drain.jsonl: Not a directory"},
    };
    for (const auto& c : cases) {
        const std::string path = dir.root() + "/" + c.path;
        const LogRead read = drain_file::readLog(path);
        EXPECT_EQ(read.status, c.status) << c.path;
        EXPECT_EQ(read.text, c.status == LogRead::Status::Read ? kKept : "") << c.path;
        EXPECT_EQ(read.problem, c.problem.empty() ? "" : dir.root() + "/" + c.problem);

        // The analysis and the prune take the same road: an odd file is named, not waited on.
        std::string problem = "unset";
        const WhyDrain why = whyDrainFromFile(path, kStart, &problem);
        EXPECT_EQ(problem, read.problem) << c.path;
        EXPECT_EQ(why.summary.rfind("Not enough local history yet", 0) == 0,
                  c.status != LogRead::Status::Read)
            << c.path;
        EXPECT_EQ(drain_file::prunePass(path, kStart - 7200), read.problem) << c.path;
    }
}

TEST_F(DrainFileFaults, AFailedOrShortAppendLeavesTheFileEndingOnAWholeLine) {
    struct Case {
        const char* what;
        std::string before;
        drain_file::FileCalls calls;
        bool appended;
        std::string after;
    };
    drain_file::FileCalls writesNothing;
    writesNothing.write = [](int, const char*, std::size_t) -> long { return 0; };
    const std::vector<Case> cases{
        {"disk full before the line", kKept, diskWithRoom(0), false, kKept},
        {"a write that stores nothing", kKept, writesNothing, false, kKept},
        // A line torn by a crash (or by a truncation that failed): the next starts afresh.
        {"after a torn line",
         kKept + "{\"t\":\"2026-03",
         {},
         true,
         kKept + "{\"t\":\"2026-03\n" + kNew},
    };
    for (const auto& c : cases) {
        writeLog(c.before);
        const auto outcome = drain_file::appendBytes(file, kNew, c.calls);
        EXPECT_EQ(outcome.appended, c.appended) << c.what;
        EXPECT_EQ(content(), c.after) << c.what;
        EXPECT_EQ(outcome.problem, c.appended ? "" : file + ": No space left on device") << c.what;
    }
}

// Every append draws a prune here; a failed one is not followed by it: the file is left alone.
TEST_F(DrainFileFaults, AFullDiskIsReportedOnceAndTheRecordsAfterItStayWhole) {
    writeLog(kOld + kKept);
    auto log = makeLog(0);
    log->setFileCalls(diskWithRoom(10));
    for (int i = 0; i < 3; ++i) log->recordEvent("x");
    log->waitForPendingWork();
    EXPECT_EQ(content(), kOld + kKept);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find(file + ": No space left on device"), std::string::npos) << notices[0];

    // Room again: the next record is whole and on its own line.
    log->setFileCalls({});
    log->recordEvent("x");
    log->waitForPendingWork();
    EXPECT_EQ(content(), kKept + kNew);
    EXPECT_EQ(notices.size(), 1u);
    // A later spell of failures is news again.
    log->setFileCalls(diskWithRoom(0));
    log->recordEvent("x");
    log->recordEvent("x");
    log->waitForPendingWork();
    EXPECT_EQ(notices.size(), 2u);
}

// The replacement must be on disk before the rename, and the rename on disk after it; appends
// stay cheap (no flush each).
TEST_F(DrainFileFaults, APruneFlushesTheTemporaryThenRenamesThenFlushesTheFolder) {
    writeLog(kOld + kKept);
    std::vector<std::string> calls;
    drain_file::FileCalls watched;
    watched.write = [&](int fd, const char* data, std::size_t size) -> long {
        calls.push_back("write " + pathOf(fd));
        return ::write(fd, data, size);
    };
    watched.fsync = [&](int fd) {
        calls.push_back("fsync " + pathOf(fd));
        return ::fsync(fd);
    };
    watched.rename = [&](const char* from, const char* to) {
        calls.push_back(std::string("rename ") + from + " " + to);
        return ::rename(from, to);
    };
    auto log = makeLog(0);  // every append is followed by a prune
    log->setFileCalls(watched);
    log->recordEvent("x");
    log->waitForPendingWork();
    EXPECT_EQ(content(), kKept + kNew);
    ASSERT_EQ(calls.size(), 5u) << ::testing::PrintToString(calls);
    const std::string temporary = calls[1].substr(6);
    EXPECT_EQ(temporary.rfind(file + ".", 0), 0u) << temporary;
    EXPECT_EQ(calls,
              (std::vector<std::string>{"write " + file, "write " + temporary, "fsync " + temporary,
                                        "rename " + temporary + " " + file, "fsync " + support}));
    EXPECT_TRUE(temporaries().empty());

    // A rename that fails leaves the log as it was and no temporary behind.
    writeLog(kOld + kKept);
    watched.rename = [](const char*, const char*) {
        errno = EIO;
        return -1;
    };
    EXPECT_NE(drain_file::prunePass(file, kStart - 7200, {}, watched).find("Input/output error"),
              std::string::npos);
    EXPECT_EQ(content(), kOld + kKept);
    EXPECT_TRUE(temporaries().empty());
}

// Each trouble is said once, and the history there is left as it was: no record, prune or clear
// gets past it.
TEST_F(DrainFileFaults, TroubleWithTheDataFolderOrItsLockIsSaidOnce) {
    writeLog(kOld + kKept);
    const std::string lock = support + "/drain.lock";
    QDir().mkpath(QString::fromStdString(lock));  // opening it read-write fails
    dir.write("Tarvel", "a file where the folder should be");
    dir.write("blocked", "a file where a parent folder should be");
    struct Case {
        std::string folder;
        std::string notice;  // part of the one notice; empty: none, the history is kept
    };
    const std::vector<Case> cases{
        {dir.root() + "/Tarvel", "data folder " + dir.root() + "/Tarvel is a file, not a folder"},
        {dir.root() + "/blocked/Tarvel",
         "cannot create the data folder " + dir.root() + "/blocked/Tarvel (Not a directory)"},
        {dir.root() + "/jsonl-folder",
         dir.root() + "/jsonl-folder/drain.jsonl: is a folder, not a file"},
        {support, "lock file " + lock + " (Is a directory)"},
        {dir.root() + "/new/Tarvel", ""},  // missing: made
    };
    QDir().mkpath(QString::fromStdString(dir.root() + "/jsonl-folder/drain.jsonl"));
    for (const auto& c : cases) {
        notices.clear();
        auto log = makeLog(0, c.folder);
        for (int i = 0; i < 3; ++i) log->recordEvent("x");
        log->prune();
        if (!c.notice.empty()) log->clearAll();
        log->waitForPendingWork();
        EXPECT_EQ(content(), kOld + kKept);
        if (c.notice.empty()) {
            EXPECT_TRUE(notices.empty()) << ::testing::PrintToString(notices);
            EXPECT_EQ(dir.read("new/Tarvel/drain.jsonl"), kNew + kNew + kNew);
            continue;
        }
        ASSERT_EQ(notices.size(), 1u) << c.folder << ::testing::PrintToString(notices);
        EXPECT_NE(notices[0].find(c.notice), std::string::npos) << notices[0];
    }
}

}  // namespace
}  // namespace tarvel
