#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace tarvel {

FileLock::~FileLock() {
    ::close(fd_);
}

std::unique_ptr<FileLock> FileLock::tryAcquire(const std::string& path, Failure* failure) {
    Failure ignored;
    Failure& why = failure ? *failure : ignored;
    why = Failure::Unavailable;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return nullptr;
    int rc;
    do rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        if (errno == EWOULDBLOCK) why = Failure::Busy;
        ::close(fd);
        return nullptr;
    }
    why = Failure::None;
    return std::unique_ptr<FileLock>(new FileLock(fd));
}

}  // namespace tarvel
