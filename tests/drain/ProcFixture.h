#pragma once

#include <QDir>
#include <QFile>
#include <cstdint>
#include <string>

#include "support/FixtureTree.h"

namespace tarvel::test {

// A fake /proc: <pid>/stat with CPU ticks (100 per second), <pid>/comm and an <pid>/exe link.
class ProcFixture {
public:
    static constexpr long kHz = 100;

    const std::string& root() const { return tree_.root(); }

    // Sets the process's total CPU time, split evenly over user and system time.
    void setCpu(std::int32_t pid, double seconds, const std::string& comm = "") {
        const auto ticks = static_cast<std::int64_t>(seconds * kHz + 0.5);
        const std::string name = comm.empty() ? "proc" + std::to_string(pid) : comm;
        const std::string p = std::to_string(pid);
        tree_.write(p + "/stat", p + " (" + name + ") S 1 1 1 0 -1 4194560 100 0 0 0 " +
                                     std::to_string(ticks / 2) + " " +
                                     std::to_string(ticks - ticks / 2) +
                                     " 0 0 20 0 1 0 100 1000 10 18446744073709551615\n");
        if (!comm.empty()) tree_.write(p + "/comm", comm + "\n");
    }
    void setExe(std::int32_t pid, const std::string& target) {
        QFile::link(QString::fromStdString(target),
                    QString::fromStdString(root() + "/" + std::to_string(pid) + "/exe"));
    }
    void removeProcess(std::int32_t pid) {
        tree_.remove(std::to_string(pid) + "/stat");
        tree_.remove(std::to_string(pid) + "/comm");
        tree_.remove(std::to_string(pid) + "/exe");
        QDir(QString::fromStdString(root() + "/" + std::to_string(pid))).removeRecursively();
    }
    void writeRaw(const std::string& relative, const std::string& content) {
        tree_.write(relative, content);
    }

private:
    FixtureTree tree_;
};

}  // namespace tarvel::test
