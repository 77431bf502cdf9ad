#include "platform/linux/ProcProcessList.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include "base/RegularFile.h"

namespace tarvel {

namespace {

// Reads at most size - 1 bytes of a small file into buffer and ends it with a NUL; -1 on
// failure.
ssize_t readSmallFile(const char* path, char* buffer, std::size_t size) {
    const ssize_t used = readRegularFile(path, buffer, size - 1);
    if (used >= 0) buffer[used] = '\0';
    return used;
}

std::string repairedUtf8(const char* bytes, std::size_t length) {
    return QString::fromUtf8(bytes, static_cast<qsizetype>(length)).toStdString();
}

std::uint64_t ticksToNs(std::uint64_t ticks, std::uint64_t hz) {
    constexpr std::uint64_t kNs = 1'000'000'000ULL;
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    const std::uint64_t whole = ticks / hz, rest = ticks % hz;
    if (whole > kMax / kNs) return kMax;
    return whole * kNs + rest * kNs / hz;
}

}  // namespace

ProcProcessList::ProcProcessList(std::string root, long ticksPerSecond, int logicalCpus)
    : root_(std::move(root)), ticksPerSecond_(ticksPerSecond), logicalCpus_(logicalCpus) {
    if (ticksPerSecond_ <= 0) ticksPerSecond_ = ::sysconf(_SC_CLK_TCK);
    if (ticksPerSecond_ <= 0) ticksPerSecond_ = 100;
}

int ProcProcessList::logicalCpuCount() {
    if (logicalCpus_ > 0) return logicalCpus_;
    const long n = ::sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 && n < std::numeric_limits<int>::max() ? static_cast<int>(n) : 0;
}

std::int32_t ProcProcessList::ownPid() {
    return static_cast<std::int32_t>(::getpid());
}

bool ProcProcessList::listAllPids(std::vector<std::int32_t>& pids) {
    pids.clear();
    DIR* dir = ::opendir(root_.c_str());
    if (!dir) return false;
    while (pids.size() < kMaxPids) {
        const dirent* entry = ::readdir(dir);
        if (!entry) break;
        const char* p = entry->d_name;
        if (*p < '1' || *p > '9') continue;
        std::int64_t value = 0;
        for (; *p >= '0' && *p <= '9' && value <= std::numeric_limits<std::int32_t>::max(); ++p)
            value = value * 10 + (*p - '0');
        if (*p != '\0' || value > std::numeric_limits<std::int32_t>::max()) continue;
        pids.push_back(static_cast<std::int32_t>(value));
    }
    ::closedir(dir);
    // /proc lists in ascending order already; other trees (fixtures) are made to match.
    std::sort(pids.begin(), pids.end());
    return true;
}

std::optional<TaskTimes> parseProcStat(const char* text, std::size_t length, long ticksPerSecond) {
    const char* end = text + length;
    const char* close = nullptr;
    for (const char* p = end; p != text; --p)
        if (p[-1] == ')') {
            close = p;
            break;
        }
    if (!close || ticksPerSecond <= 0) return std::nullopt;
    // After ")": state (field 3) ... utime (14), stime (15).
    const char* p = close;
    std::uint64_t values[2] = {0, 0};
    for (int field = 3; field <= 15; ++field) {
        while (p < end && *p == ' ') ++p;
        if (p >= end) return std::nullopt;
        if (field >= 14) {
            if (*p < '0' || *p > '9') return std::nullopt;
            std::uint64_t v = 0;
            for (; p < end && *p >= '0' && *p <= '9'; ++p) {
                if (v > (std::numeric_limits<std::uint64_t>::max() - 9) / 10) return std::nullopt;
                v = v * 10 + static_cast<std::uint64_t>(*p - '0');
            }
            if (p < end && *p != ' ' && *p != '\n') return std::nullopt;
            values[field - 14] = v;
        } else {
            while (p < end && *p != ' ') ++p;
        }
    }
    const auto hz = static_cast<std::uint64_t>(ticksPerSecond);
    return TaskTimes{ticksToNs(values[0], hz), ticksToNs(values[1], hz)};
}

std::optional<TaskTimes> ProcProcessList::taskTimes(std::int32_t pid) {
    char path[4096];
    std::snprintf(path, sizeof path, "%s/%d/stat", root_.c_str(), pid);
    char buffer[1024];
    const ssize_t n = readSmallFile(path, buffer, sizeof buffer);
    if (n <= 0) return std::nullopt;
    return parseProcStat(buffer, static_cast<std::size_t>(n), ticksPerSecond_);
}

std::optional<std::string> ProcProcessList::name(std::int32_t pid) {
    char path[4096];
    std::snprintf(path, sizeof path, "%s/%d/comm", root_.c_str(), pid);
    char buffer[kNameBytes];
    ssize_t n = readSmallFile(path, buffer, sizeof buffer);
    while (n > 0 && buffer[n - 1] == '\n') --n;
    if (n < 1) return std::nullopt;
    return repairedUtf8(buffer, static_cast<std::size_t>(n));
}

std::optional<std::string> ProcProcessList::path(std::int32_t pid) {
    char link[4096];
    std::snprintf(link, sizeof link, "%s/%d/exe", root_.c_str(), pid);
    char buffer[kPathBytes];
    const ssize_t n = ::readlink(link, buffer, sizeof buffer);
    // A result that fills the buffer may have been cut short: no path rather than a wrong one.
    if (n < 1 || static_cast<std::size_t>(n) >= sizeof buffer) return std::nullopt;
    return repairedUtf8(buffer, static_cast<std::size_t>(n));
}

}  // namespace tarvel
