#include "drain/DrainLogFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

#include "drain/IsoTime.h"
#include "drain/LineScan.h"

namespace tarvel::drain_file {

namespace {

// Closes the descriptor on every way out.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(Fd&& other) noexcept : fd_(other.release()) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

std::string failure(const std::string& path, int error) {
    return path + ": " + (error == EISDIR ? "is a folder, not a file" : std::strerror(error));
}

std::string notRegular(const std::string& path, const struct stat& st) {
    return path + (S_ISDIR(st.st_mode) ? ": is a folder, not a file" : ": is not a regular file");
}

// An empty text when `fd` is a regular file; otherwise what is wrong with `path`.
std::string regularFileProblem(int fd, const std::string& path, struct stat& st) {
    if (::fstat(fd, &st) != 0) return failure(path, errno);
    return S_ISREG(st.st_mode) ? std::string() : notRegular(path, st);
}

long callWrite(const FileCalls& calls, int fd, const char* data, std::size_t size) {
    return calls.write ? calls.write(fd, data, size) : ::write(fd, data, size);
}

int callFsync(const FileCalls& calls, int fd) {
    return calls.fsync ? calls.fsync(fd) : ::fsync(fd);
}

int callRename(const FileCalls& calls, const char* from, const char* to) {
    return calls.rename ? calls.rename(from, to) : ::rename(from, to);
}

// Writes everything or reports the errno; a write that stores nothing counts as a full disk.
int writeFully(const FileCalls& calls, int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const long n = callWrite(calls, fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return ENOSPC;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// The slow, exact test of one line.
bool keepParsed(std::string_view line, double cutoff) {
    auto j = nlohmann::json::parse(line.begin(), line.end(), nullptr, false);
    if (!j.is_object()) return false;
    auto t = j.find("t");
    if (t == j.end() || !t->is_string()) return false;
    const auto time = parseIsoTime(t->get_ref<const std::string&>());
    return time && static_cast<double>(*time) >= cutoff;
}

}  // namespace

namespace {

// Opens `path` for reading without blocking and checks that it is a regular file; on failure
// `out` says why and the descriptor is invalid.
Fd openLog(const std::string& path, LogRead& out, struct stat& st) {
    // Non-blocking: opening a FIFO for reading would otherwise wait for a writer for ever.
    Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT) return fd;
        out.status = LogRead::Status::Unreadable;
        out.problem = failure(path, errno);
        return fd;
    }
    out.status = LogRead::Status::Unreadable;
    out.problem = regularFileProblem(fd.get(), path, st);
    if (!out.problem.empty()) fd.reset(-1);
    return fd;
}

// Reads `size` bytes at `offset`; false (errno set) when the file fails or ends early.
bool readAt(int fd, char* into, std::size_t size, off_t offset) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, into + done, size - done, offset + off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;  // shrank while read
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

LogRead readLog(const std::string& path) {
    LogRead out;
    struct stat st {};
    const Fd fd = openLog(path, out, st);
    if (fd.get() < 0) return out;
    out.text.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            out.problem = failure(path, errno);
            out.text.clear();
            return out;
        }
        if (n == 0) break;
        out.text.append(buffer, static_cast<std::size_t>(n));
    }
    out.status = LogRead::Status::Read;
    out.problem.clear();
    return out;
}

LogRead readLogTail(const std::string& path, std::string_view before) {
    if (before.empty()) return readLog(path);
    LogRead out;
    struct stat st {};
    const Fd fd = openLog(path, out, st);
    if (fd.get() < 0) return out;

    constexpr off_t kBlock = 65536;
    std::vector<std::string> lines;    // whole lines read so far, the newest piece first
    std::vector<std::string> partial;  // the line cut by the last block's start, newest first
    off_t pos = st.st_size;
    bool reached = false;
    while (pos > 0 && !reached) {
        const off_t n = std::min(kBlock, pos);
        pos -= n;
        std::string block(static_cast<std::size_t>(n), '\0');
        if (!readAt(fd.get(), block.data(), block.size(), pos)) {
            out.problem = failure(path, errno);
            return out;
        }
        const std::size_t firstBreak = block.find('\n');
        if (pos > 0 && firstBreak == std::string::npos) {
            // One long line: gather its pieces without copying them again and again.
            partial.push_back(std::move(block));
            continue;
        }
        std::string region = std::move(block);
        for (auto it = partial.rbegin(); it != partial.rend(); ++it) region += *it;
        partial.clear();
        const std::size_t whole = pos > 0 ? firstBreak + 1 : 0;
        forEachLine(std::string_view(region).substr(whole), [&](std::string_view line) {
            const std::string_view t = quickTime(line);
            if (!t.empty() && t < before) reached = true;
        });
        if (pos > 0) partial.push_back(region.substr(0, whole));
        lines.push_back(region.substr(whole));
    }
    std::size_t total = 0;
    for (const std::string& piece : lines) total += piece.size();
    out.text.reserve(total);
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) out.text += *it;
    out.status = LogRead::Status::Read;
    out.problem.clear();
    return out;
}

AppendOutcome appendBytes(const std::string& path, std::string_view bytes, const FileCalls& calls) {
    AppendOutcome out;
    // Read-write, to look at the last byte; non-blocking, so a FIFO cannot hold the queue up.
    constexpr int kFlags = O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC;
    Fd fd(::open(path.c_str(), O_RDWR | kFlags, 0644));
    if (fd.get() < 0 && errno == EACCES) fd.reset(::open(path.c_str(), O_WRONLY | kFlags, 0644));
    if (fd.get() < 0) {
        out.problem = failure(path, errno);
        return out;
    }
    struct stat st {};
    out.problem = regularFileProblem(fd.get(), path, st);
    if (!out.problem.empty()) return out;
    std::string onFreshLine;
    char last = '\n';
    if (st.st_size > 0 && ::pread(fd.get(), &last, 1, st.st_size - 1) == 1 && last != '\n') {
        onFreshLine.reserve(bytes.size() + 1);
        onFreshLine.push_back('\n');
        onFreshLine.append(bytes);
        bytes = onFreshLine;
    }
    if (const int error = writeFully(calls, fd.get(), bytes)) {
        // Take back whatever part of the line did land; if even that fails, the next append
        // starts on a fresh line.
        (void)::ftruncate(fd.get(), st.st_size);
        out.problem = failure(path, error);
        return out;
    }
    out.appended = true;
    return out;
}

namespace {

// Whether pruneText keeps `line`; `boundary` is quickBoundary(cutoff).
bool keepLine(std::string_view line, const std::string& boundary, double cutoff) {
    const std::string_view t = boundary.empty() ? std::string_view() : quickTime(line);
    if (t.empty()) return keepParsed(line, cutoff);
    // Lines in this program's own shape: the time decides by its text, and only the lines kept
    // need a full (but allocation-free) validation.
    return t >= std::string_view(boundary) && parseIsoTime(t) &&
           (certainlyValidJson(line) || nlohmann::json::accept(line.begin(), line.end()));
}

}  // namespace

PruneOutcome pruneText(std::string_view text, double cutoff) {
    PruneOutcome out;
    out.text.reserve(text.size() + 1);
    const std::string boundary = quickBoundary(cutoff);
    forEachLine(text, [&](std::string_view line) {
        if (keepLine(line, boundary, cutoff)) {
            out.text.append(line);
            out.text.push_back('\n');
        }
    });
    out.changed = std::string_view(out.text) != text;
    return out;
}

std::string replaceAtomically(const std::string& path, std::string_view bytes,
                              const BeforeReplace& beforeReplace, const FileCalls& calls) {
    // The temporary is named like the ones removeStaleTemporaries looks for.
    std::string temporary = path + ".XXXXXX";
    Fd fd(::mkstemp(temporary.data()));
    if (fd.get() < 0) return failure(path, errno);
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0) (void)::fchmod(fd.get(), old.st_mode & 07777);
    int error = writeFully(calls, fd.get(), bytes);
    if (!error && callFsync(calls, fd.get()) != 0) error = errno;
    if (!error && ::close(fd.release()) != 0) error = errno;
    if (error) {
        ::unlink(temporary.c_str());
        return failure(path, error);
    }
    if (beforeReplace) beforeReplace();
    if (callRename(calls, temporary.c_str(), path.c_str()) != 0) {
        error = errno;
        ::unlink(temporary.c_str());
        return failure(path, error);
    }
    // The rename itself lasts only once the folder is on disk.
    const std::string folder = std::filesystem::path(path).parent_path().string();
    Fd dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0 || callFsync(calls, dir.get()) != 0) return failure(folder, errno);
    return {};
}

std::string prunePass(const std::string& path, double cutoff, const BeforeReplace& beforeReplace,
                      const FileCalls& calls) {
    const LogRead read = readLog(path);
    if (read.status == LogRead::Status::Missing) return {};
    if (read.status == LogRead::Status::Unreadable) return read.problem;
    const PruneOutcome outcome = pruneText(read.text, cutoff);
    if (!outcome.changed) return {};
    return replaceAtomically(path, outcome.text, beforeReplace, calls);
}

bool firstLineDropped(const std::string& path, double cutoff) {
    LogRead read;
    struct stat st {};
    const Fd fd = openLog(path, read, st);
    if (fd.get() < 0 || st.st_size == 0) return false;
    // Only the first line is read: the check must cost nothing next to the rewrite it spares.
    std::string first;
    constexpr std::size_t kBlock = 4096;
    for (off_t pos = 0; pos < st.st_size;) {
        const std::size_t n = static_cast<std::size_t>(std::min<off_t>(kBlock, st.st_size - pos));
        const std::size_t had = first.size();
        first.resize(had + n);
        if (!readAt(fd.get(), first.data() + had, n, pos)) return false;
        pos += off_t(n);
        if (const std::size_t end = first.find('\n', had); end != std::string::npos) {
            first.resize(end);
            break;
        }
    }
    return !keepLine(first, quickBoundary(cutoff), cutoff);
}

void removeStaleTemporaries(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    QDir dir = info.absoluteDir();
    // A replace names its temporary "<name>.XXXXXX".
    const QStringList leftovers =
        dir.entryList({info.fileName() + ".??????"}, QDir::Files | QDir::Hidden);
    for (const QString& name : leftovers) dir.remove(name);
}

}  // namespace tarvel::drain_file
