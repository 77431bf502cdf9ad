#include "platform/linux/SysfsAttributeIO.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "base/RegularFile.h"
#include "platform/linux/SysfsFile.h"

namespace tarvel {

namespace {

class PosixAttributeIO final : public SysfsAttributeIO {
public:
    std::optional<std::string> read(const std::string& path) override {
        return readSysfsText(path);
    }

    int write(const std::string& path, const std::string& value) override {
        const int fd = openRegularFile(path.c_str(), O_WRONLY | O_TRUNC);
        if (fd < 0) return errno;
        int error = 0;
        const ssize_t put = ::write(fd, value.data(), value.size());
        if (put < 0)
            error = errno;
        else if (static_cast<size_t>(put) != value.size())
            error = EIO;  // sysfs takes a store in one piece or not at all
        if (::close(fd) != 0 && error == 0) error = errno;
        return error;
    }
};

}  // namespace

SysfsAttributeIO& SysfsAttributeIO::posix() {
    static PosixAttributeIO io;
    return io;
}

}  // namespace tarvel
