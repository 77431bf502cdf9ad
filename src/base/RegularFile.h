#pragma once

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>

namespace tarvel {

// Kernel attributes (sysfs, powercap, /proc/<pid>/stat) are regular files. Whatever else sits
// at such a path (a FIFO, a device, a socket) could block a read for ever, so it is opened
// without blocking and refused unless it is a regular file; the first refusal of each path is
// said once on stderr.

// An open descriptor (for reading unless `flags` say otherwise), or -1 with errno set (EINVAL
// for a non-regular file).
int openRegularFile(const char* path, int flags = 0);

// Reads at most `size` bytes into buffer; -1 with errno set when it cannot.
ssize_t readRegularFile(const char* path, char* buffer, std::size_t size);

// Reads a kernel file below an open folder with one read, for files read on every pass (such as
// /proc/<pid>/stat): the regular-file check is made only when the read yields nothing, which
// is all a FIFO without a writer gives. `shownRoot` names the folder in the refusal.
ssize_t readFileAtOnce(int dirFd, const char* relative, char* buffer, std::size_t size,
                       const std::string& shownRoot);

// The first `limit` bytes of a regular file; absent when it cannot be read.
std::optional<std::string> readRegularFileText(const std::string& path, std::size_t limit = 4096);

}  // namespace tarvel
