#pragma once

#include <optional>
#include <string>

namespace tarvel {

// Reads and writes single sysfs attributes. A seam so tests can refuse, round or reject writes
// as the kernel would (tests run as root, which nothing refuses, over plain files, which take
// any value).
class SysfsAttributeIO {
public:
    virtual ~SysfsAttributeIO() = default;
    // The attribute's text without trailing whitespace; nullopt when it cannot be read.
    virtual std::optional<std::string> read(const std::string& path) = 0;
    // Writes `value` in one write(2); returns 0 or the errno of the failure.
    virtual int write(const std::string& path, const std::string& value) = 0;

    // Plain open/read/write/close.
    static SysfsAttributeIO& posix();
};

}  // namespace tarvel
