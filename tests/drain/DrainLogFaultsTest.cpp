// The history file when the machine or its user is unkind: full disks, odd files in its place,
// a lock that cannot be opened, power lost in the middle of a prune.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <cerrno>

#include "drain/DrainLog.h"
#include "drain/DrainLogFile.h"
#include "drain/IsoTime.h"
#include "drain/WhyDrain.h"
#include "support/FixtureTree.h"

namespace tarvel {
namespace {

using drain_file::LogRead;

const double kStart = static_cast<double>(*parseIsoTime("2026-03-01T12:00:00Z"));
const std::string kOld = R"({"t":"2026-01-01T00:00:00Z","kind":"event","name":"old"})" "\n";
const std::string kKept = R"({"t":"2026-03-01T11:00:00Z","kind":"event","name":"kept"})" "\n";
const std::string kNew = R"({"t":"2026-03-01T12:00:00Z","kind":"event","name":"x"})" "\n";

bool makeFifo(const std::string& path) {
    return ::mkfifo(path.c_str(), 0600) == 0;
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

class DrainFileFaults : public ::testing::Test {
protected:
    test::FixtureTree dir;
    ManualClock clock{kStart};
    UserDefaults defaults{dir.root() + "/defaults.json"};
    std::string support = dir.root() + "/support";
    std::string file = support + "/drain.jsonl";
    std::vector<std::string> notices;

    void SetUp() override { QDir().mkpath(QString::fromStdString(support)); }

    std::unique_ptr<DrainLog> makeLog(const std::string& folder, int randomValue = 7) {
        auto log = std::make_unique<DrainLog>(clock, defaults, folder,
                                              [randomValue] { return randomValue; });
        log->setNoticeHandler([this](const std::string& text) { notices.push_back(text); });
        return log;
    }
    std::string content() const { return dir.read("support/drain.jsonl"); }
    void writeLog(const std::string& text) const { dir.write("support/drain.jsonl", text); }
    std::vector<std::string> temporaries() const {
        std::vector<std::string> names;
        for (const auto& name :
             QDir(QString::fromStdString(support)).entryList({"drain.jsonl.*"}, QDir::Files))
            names.push_back(name.toStdString());
        return names;
    }
};

TEST_F(DrainFileFaults, ReadsNeverBlockAndOnlyARegularFileCountsAsTheLog) {
    dir.write("plain.jsonl", kKept);
    QDir().mkpath(QString::fromStdString(dir.root() + "/folder.jsonl"));
    ASSERT_TRUE(makeFifo(dir.root() + "/fifo.jsonl"));
    dir.write("Tarvel", "a file where the folder should be");
    struct Case {
        std::string path;
        LogRead::Status status;
        std::string problem;  // part of what is said
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
        if (c.problem.empty())
            EXPECT_EQ(read.problem, "") << c.path;
        else
            EXPECT_NE(read.problem.find(c.problem), std::string::npos) << read.problem;

        // The analysis and the prune take the same road: an odd file is named, not waited on.
        std::string problem = "unset";
        whyDrainFromFile(path, kStart, &problem);
        EXPECT_EQ(problem, read.problem) << c.path;
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
        {"disk full halfway through the line", kKept, diskWithRoom(kNew.size() / 2), false, kKept},
        {"disk full before the line", kKept, diskWithRoom(0), false, kKept},
        {"a write that stores nothing", kKept, writesNothing, false, kKept},
        {"enough room", kKept, diskWithRoom(kNew.size()), true, kKept + kNew},
        // A line torn by a crash (or by a truncation that failed): the next starts afresh.
        {"after a torn line", kKept + "{\"t\":\"2026-03", {}, true,
         kKept + "{\"t\":\"2026-03\n" + kNew},
        {"a new file", "", {}, true, kNew},
    };
    for (const auto& c : cases) {
        dir.remove("support/drain.jsonl");
        if (!c.before.empty()) writeLog(c.before);
        const auto outcome = drain_file::appendBytes(file, kNew, c.calls);
        EXPECT_EQ(outcome.appended, c.appended) << c.what;
        EXPECT_EQ(content(), c.after) << c.what;
        EXPECT_EQ(outcome.problem, c.appended ? "" : file + ": No space left on device") << c.what;
    }
}

}  // namespace
}  // namespace tarvel
