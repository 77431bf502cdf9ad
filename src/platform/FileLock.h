#pragma once

#include <memory>
#include <string>

namespace tarvel {

// An advisory, exclusive lock on a file (flock on Linux), held until the object is destroyed or the
// process ends, so a crashed holder never leaves a stale lock behind.
class FileLock {
public:
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    enum class Failure { None, Busy, Unavailable };

    // Creates the file if needed. Nothing when another open file holds the lock (Busy) or the
    // file cannot be opened or locked at all (Unavailable, with the errno in `error`).
    static std::unique_ptr<FileLock> tryAcquire(const std::string& path, Failure* failure = nullptr,
                                                int* error = nullptr);

private:
    explicit FileLock(int fd) : fd_(fd) {}
    int fd_;
};

}  // namespace tarvel
