#include "platform/linux/ProcProcessList.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <tuple>

#include "base/RegularFile.h"

namespace tarvel {

namespace {

// Reads at most size - 1 bytes of a small file below the root into buffer and ends it with a
// NUL; -1 on failure.
ssize_t readSmallFile(int rootFd, const char* relative, char* buffer, std::size_t size,
                      const std::string& root) {
    if (rootFd < 0) return -1;
    const ssize_t used = readFileAtOnce(rootFd, relative, buffer, size - 1, root);
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

int ProcProcessList::rootFd() {
    // Opened when first needed, so a root that appears later is still found.
    if (!rootDir_) rootDir_.reset(::opendir(root_.c_str()));
    return rootDir_ ? ::dirfd(rootDir_.get()) : -1;
}

std::int32_t ProcProcessList::ownPid() {
    return static_cast<std::int32_t>(::getpid());
}

bool ProcProcessList::listAllPids(std::vector<std::int32_t>& pids) {
    pids.clear();
    if (rootFd() < 0) return false;
    DIR* dir = rootDir_.get();
    ::rewinddir(dir);
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
    // /proc lists in ascending order already; other trees (fixtures) are made to match.
    std::sort(pids.begin(), pids.end());
    for (auto it = fdTables_.begin(); it != fdTables_.end();)
        it = std::binary_search(pids.begin(), pids.end(), it->first) ? std::next(it)
                                                                     : fdTables_.erase(it);
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
    char path[32];
    std::snprintf(path, sizeof path, "%d/stat", pid);
    char buffer[1024];
    const ssize_t n = readSmallFile(rootFd(), path, buffer, sizeof buffer, root_);
    if (n <= 0) return std::nullopt;
    return parseProcStat(buffer, static_cast<std::size_t>(n), ticksPerSecond_);
}

std::optional<std::string> ProcProcessList::name(std::int32_t pid) {
    char path[32];
    std::snprintf(path, sizeof path, "%d/comm", pid);
    char buffer[kNameBytes];
    ssize_t n = readSmallFile(rootFd(), path, buffer, sizeof buffer, root_);
    while (n > 0 && buffer[n - 1] == '\n') --n;
    if (n < 1) return std::nullopt;
    return repairedUtf8(buffer, static_cast<std::size_t>(n));
}

std::optional<std::string> ProcProcessList::path(std::int32_t pid) {
    const int root = rootFd();
    if (root < 0) return std::nullopt;
    char link[32];
    std::snprintf(link, sizeof link, "%d/exe", pid);
    char buffer[kPathBytes];
    const ssize_t n = ::readlinkat(root, link, buffer, sizeof buffer);
    // A result that fills the buffer may have been cut short: no path rather than a wrong one.
    if (n < 1 || static_cast<std::size_t>(n) >= sizeof buffer) return std::nullopt;
    return repairedUtf8(buffer, static_cast<std::size_t>(n));
}

namespace {

std::optional<std::uint64_t> leadingNumber(std::string_view& v) {
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
    if (v.empty() || v.front() < '0' || v.front() > '9') return std::nullopt;
    std::uint64_t n = 0;
    for (; !v.empty() && v.front() >= '0' && v.front() <= '9'; v.remove_prefix(1)) {
        if (n > (std::numeric_limits<std::uint64_t>::max() - 9) / 10) return std::nullopt;
        n = n * 10 + static_cast<std::uint64_t>(v.front() - '0');
    }
    return n;
}

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

std::string_view trimmedValue(std::string_view v) {
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t' || v.back() == '\r'))
        v.remove_suffix(1);
    return v;
}

std::vector<int> scanDrmFds(int rootFd, const char* fdDir) {
    std::vector<int> fds;
    const int dirFd = ::openat(rootFd, fdDir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) return fds;
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return fds;
    }
    while (const dirent* e = ::readdir(dir)) {
        std::string_view name = e->d_name;
        const auto fd = leadingNumber(name);
        if (!fd || !name.empty() ||
            *fd > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
            continue;
        char target[256];
        const ssize_t n = ::readlinkat(dirFd, e->d_name, target, sizeof target);
        if (n > 0 && startsWith(std::string_view(target, static_cast<std::size_t>(n)), "/dev/dri/"))
            fds.push_back(static_cast<int>(*fd));
    }
    ::closedir(dir);
    return fds;
}

}  // namespace

std::optional<GpuClient> parseDrmFdinfo(std::string_view text) {
    std::string driver, pdev, clientId;
    GpuClient client;
    std::map<std::string, std::uint64_t> totals;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view key = line.substr(0, colon);
        std::string_view value = line.substr(colon + 1);
        if (key == "drm-driver") {
            driver = trimmedValue(value);
        } else if (key == "drm-pdev") {
            pdev = trimmedValue(value);
        } else if (key == "drm-client-id") {
            clientId = trimmedValue(value);
        } else if (startsWith(key, "drm-engine-") && !startsWith(key, "drm-engine-capacity-")) {
            const auto ns = leadingNumber(value);
            if (ns && trimmedValue(value) == "ns") client.busyNs += *ns;
        } else if (startsWith(key, "drm-cycles-")) {
            if (const auto c = leadingNumber(value))
                client.cycles[std::string(key.substr(11))].first = *c;
        } else if (startsWith(key, "drm-total-cycles-")) {
            if (const auto c = leadingNumber(value)) totals[std::string(key.substr(17))] = *c;
        }
    }
    if (driver.empty() || clientId.empty()) return std::nullopt;
    for (auto& [engine, counts] : client.cycles) {
        const auto total = totals.find(engine);
        counts.second = total == totals.end() ? 0 : total->second;
    }
    client.key = driver + " " + pdev + " " + clientId;
    return client;
}

std::vector<GpuClient> ProcProcessList::gpuClients(std::int32_t pid, bool ran) {
    // Older kernels report 0 as the size of a /proc fd folder: then look again now and then.
    constexpr unsigned kRescanUnknownSize = 8;
    const int root = rootFd();
    if (root < 0) return {};
    auto it = fdTables_.find(pid);
    if (it == fdTables_.end() || ran) {
        char fdDir[32];
        std::snprintf(fdDir, sizeof fdDir, "%d/fd", pid);
        struct stat st {};
        if (::fstatat(root, fdDir, &st, 0) != 0) {
            if (it != fdTables_.end()) fdTables_.erase(it);
            return {};
        }
        const std::int64_t mtimeNs =
            std::int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
        bool isNew = false;
        if (it == fdTables_.end()) std::tie(it, isNew) = fdTables_.try_emplace(pid);
        FdTable& table = it->second;
        // Linux counts open fds in the size of /proc/<pid>/fd; fixture trees change its time.
        if (isNew || table.size != st.st_size || table.mtimeNs != mtimeNs ||
            (st.st_size == 0 && ++table.unchangedPasses >= kRescanUnknownSize)) {
            table = {st.st_size, mtimeNs, 0, scanDrmFds(root, fdDir)};
        }
    }
    std::vector<GpuClient> clients;
    for (const int fd : it->second.drmFds) {
        char path[48];
        std::snprintf(path, sizeof path, "%d/fdinfo/%d", pid, fd);
        char buffer[8192];
        const ssize_t n = readSmallFile(root, path, buffer, sizeof buffer, root_);
        if (n <= 0) continue;
        if (auto c = parseDrmFdinfo(std::string_view(buffer, static_cast<std::size_t>(n))))
            clients.push_back(std::move(*c));
    }
    return clients;
}

}  // namespace tarvel
