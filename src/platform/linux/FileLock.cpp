#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace tarvel {

FileLock::~FileLock() {
    ::close(fd_);
}

std::unique_ptr<FileLock> FileLock::tryAcquire(const std::string& path, Failure* failure,
                                               int* error) {
    Failure ignored;
    Failure& why = failure ? *failure : ignored;
    why = Failure::Unavailable;
    int unused;
    int& err = error ? *error : unused;
    err = 0;
    // Non-blocking, so a FIFO in its place cannot hold the caller up.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) {
        err = errno;
        return nullptr;
    }
    int rc;
    do rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        err = errno;
        if (err == EWOULDBLOCK) why = Failure::Busy;
        ::close(fd);
        return nullptr;
    }
    why = Failure::None;
    return std::unique_ptr<FileLock>(new FileLock(fd));
}

}  // namespace tarvel
