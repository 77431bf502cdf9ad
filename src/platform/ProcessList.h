#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tarvel {

// CPU time a process has used so far, in nanoseconds.
struct TaskTimes {
    std::uint64_t totalUserNs = 0;
    std::uint64_t totalSystemNs = 0;
};

// One open GPU client (a DRM file description) and the GPU time it has used so far.
struct GpuClient {
    std::string key;           // driver, device and client id: the same client in every fd
    std::uint64_t busyNs = 0;  // summed over the engines that report time
    // Engines that report cycles instead: name → (busy cycles, total cycles).
    std::map<std::string, std::pair<std::uint64_t, std::uint64_t>> cycles;
};

// The machine's processes, as the energy attribution needs them. Implementations are used from
// one thread at a time (the process queue) and never throw.
class ProcessList {
public:
    // The process-id buffer holds this many ids; processes beyond it are not seen.
    static constexpr std::size_t kMaxPids = 2048;
    static constexpr std::size_t kNameBytes = 256;
    static constexpr std::size_t kPathBytes = 1024;

    virtual ~ProcessList() = default;

    // Logical CPUs; 0 or less when unknown.
    virtual int logicalCpuCount() = 0;
    virtual std::int32_t ownPid() = 0;
    // Ids of all processes, at most kMaxPids, in ascending order; false on failure.
    virtual bool listAllPids(std::vector<std::int32_t>& pids) = 0;
    // Absent when the process is gone or its record cannot be read.
    virtual std::optional<TaskTimes> taskTimes(std::int32_t pid) = 0;
    // Short name (UTF-8, invalid sequences repaired); absent when unreadable or empty.
    virtual std::optional<std::string> name(std::int32_t pid) = 0;
    // Full executable path (UTF-8, repaired); absent when unreadable or longer than the buffer.
    virtual std::optional<std::string> path(std::int32_t pid) = 0;
    // The GPU clients the process holds open; none where the kernel does not say. `ran` is
    // false when the process has used no CPU time since the last pass: then it cannot have
    // opened or been sent a descriptor, and only the GPU fds already known are read again.
    virtual std::vector<GpuClient> gpuClients(std::int32_t /*pid*/, bool /*ran*/) { return {}; }
};

}  // namespace tarvel
