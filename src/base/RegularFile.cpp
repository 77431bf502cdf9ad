#include "base/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <mutex>
#include <set>

#include "base/TerminalText.h"

namespace tarvel {

namespace {

void reportOnce(const char* path) {
    static std::mutex mutex;
    static std::set<std::string> reported;
    std::lock_guard lock(mutex);
    if (reported.size() > 1000 || !reported.insert(path).second) return;
    // One write, so the line arrives whole even beside other output.
    std::cerr << "tarvel: " + printable(path) + " is not a regular file; not reading it\n"
              << std::flush;
}

}  // namespace

int openRegularFile(const char* path, int flags) {
    // O_NONBLOCK: opening a FIFO would otherwise wait for the other end. Regular files (procfs
    // and sysfs included) ignore the flag, so it can stay set.
    const int fd = ::open(path, flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        reportOnce(path);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

ssize_t readRegularFile(const char* path, char* buffer, std::size_t size) {
    const int fd = openRegularFile(path);
    if (fd < 0) return -1;
    std::size_t used = 0;
    while (used < size) {
        const ssize_t n = ::read(fd, buffer + used, size - used);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd);
            errno = error;
            return -1;
        }
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return static_cast<ssize_t>(used);
}

ssize_t readFileAtOnce(int dirFd, const char* relative, char* buffer, std::size_t size,
                       const std::string& shownRoot) {
    const int fd = ::openat(dirFd, relative, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    ssize_t n = 0;
    do {
        n = ::read(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    int error = errno;
    if (n <= 0) {
        struct stat st {};
        if (::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode)) {
            reportOnce((shownRoot + "/" + relative).c_str());
            error = EINVAL;
            n = -1;
        }
    }
    ::close(fd);
    errno = error;
    return n;
}

std::optional<std::string> readRegularFileText(const std::string& path, std::size_t limit) {
    std::string text(limit, '\0');
    const ssize_t got = readRegularFile(path.c_str(), text.data(), limit);
    if (got < 0) return std::nullopt;
    text.resize(static_cast<std::size_t>(got));
    return text;
}

}  // namespace tarvel
