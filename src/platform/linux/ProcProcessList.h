#pragma once

#include <string>

#include "platform/ProcessList.h"

namespace tarvel {

// Processes from a /proc tree: ids from the numeric entries, CPU time from <pid>/stat (utime
// and stime, in clock ticks), names from <pid>/comm and paths from the <pid>/exe link.
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

    const std::string& root() const { return root_; }

private:
    std::string root_;
    long ticksPerSecond_;
    int logicalCpus_;
};

// Parses the text of /proc/<pid>/stat. The name field may hold spaces and parentheses, so
// the fields are counted from the last ')'.
std::optional<TaskTimes> parseProcStat(const char* text, std::size_t length, long ticksPerSecond);

}  // namespace tarvel
