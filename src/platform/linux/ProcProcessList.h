#pragma once

#include <dirent.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/ProcessList.h"

namespace tarvel {

// Processes from a /proc tree: ids from the numeric entries, CPU time from <pid>/stat (utime
// and stime, in clock ticks), names from <pid>/comm and paths from the <pid>/exe link, GPU
// clients from the fdinfo of the <pid>/fd links into /dev/dri.
class ProcProcessList final : public ProcessList {
public:
    // `ticksPerSecond` and `logicalCpus` of 0 mean "ask the system"; fixture trees pass their own.
    explicit ProcProcessList(std::string root = "/proc", long ticksPerSecond = 0,
                             int logicalCpus = 0);

    int logicalCpuCount() override;
    std::int32_t ownPid() override;
    bool listAllPids(std::vector<std::int32_t>& pids) override;
    std::optional<TaskTimes> taskTimes(std::int32_t pid) override;
    std::optional<std::string> name(std::int32_t pid) override;
    std::optional<std::string> path(std::int32_t pid) override;
    std::vector<GpuClient> gpuClients(std::int32_t pid, bool ran) override;

    const std::string& root() const { return root_; }

private:
    // The root stays open: its listing is read again with a rewind, and files below it are
    // opened relative to it, which spares the kernel walking the root's path for each one.
    int rootFd();

    std::string root_;
    std::unique_ptr<DIR, int (*)(DIR*)> rootDir_{nullptr, ::closedir};
    long ticksPerSecond_;
    int logicalCpus_;
    // Which fds of a process are GPU clients, kept until its fd table changes: walking every
    // fd of every process on each pass would cost far more than the pass itself.
    struct FdTable {
        std::int64_t size = -1;
        std::int64_t mtimeNs = -1;
        unsigned unchangedPasses = 0;
        std::vector<int> drmFds;
    };
    std::unordered_map<std::int32_t, FdTable> fdTables_;
};

// Parses the text of /proc/<pid>/fdinfo/<fd> (the kernel's DRM client usage stats); absent
// when it names no DRM client.
std::optional<GpuClient> parseDrmFdinfo(std::string_view text);

// Parses the text of /proc/<pid>/stat. The name field may hold spaces and parentheses, so
// the fields are counted from the last ')'.
std::optional<TaskTimes> parseProcStat(const char* text, std::size_t length, long ticksPerSecond);

}  // namespace tarvel
