#pragma once

#include <QDir>
#include <QFile>
#include <cstdint>
#include <string>

#include "support/FixtureTree.h"

namespace tarvel::test {

// A fake /proc: <pid>/stat with CPU ticks (100 per second), <pid>/comm, an <pid>/exe link and
// GPU clients as <pid>/fd links into /dev/dri with their fdinfo in the kernel's format.
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
    // A client's drm-engine- lines: render and video time (a capacity line, which is no time).
    static std::string engines(const char* renderNs, const char* videoNs) {
        return std::string("drm-engine-render:\t") + renderNs + " ns\ndrm-engine-video:\t" +
               videoNs + " ns\ndrm-engine-capacity-video:\t2\n";
    }
    // `usage`: the drm-engine-/drm-cycles- lines of the client.
    void setGpuClient(std::int32_t pid, int fd, const std::string& driver, int clientId,
                      const std::string& usage) {
        const std::string p = std::to_string(pid), f = std::to_string(fd);
        QDir().mkpath(QString::fromStdString(root() + "/" + p + "/fd"));
        QFile::link("/dev/dri/renderD128", QString::fromStdString(root() + "/" + p + "/fd/" + f));
        tree_.write(p + "/fdinfo/" + f, "pos:\t0\nflags:\t02100002\nmnt_id:\t24\ndrm-driver:\t" +
                                            driver + "\ndrm-client-id:\t" +
                                            std::to_string(clientId) +
                                            "\ndrm-pdev:\t0000:00:02.0\n" + usage);
    }
    void closeFd(std::int32_t pid, int fd) {
        const std::string p = std::to_string(pid), f = std::to_string(fd);
        tree_.remove(p + "/fd/" + f);
        tree_.remove(p + "/fdinfo/" + f);
    }
    void removeProcess(std::int32_t pid) {
        QDir(QString::fromStdString(root() + "/" + std::to_string(pid))).removeRecursively();
    }
    void writeRaw(const std::string& relative, const std::string& content) {
        tree_.write(relative, content);
    }

private:
    FixtureTree tree_;
};

}  // namespace tarvel::test
