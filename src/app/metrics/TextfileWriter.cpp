#include "app/metrics/TextfileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace tarvel {

namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::optional<std::string> contentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

TextfileWriter::TextfileWriter(std::string path) : path_(std::move(path)) {}

bool TextfileWriter::update(const std::string& text) {
    // The first time, the file may already hold the text (a restart): leave it and its time.
    if (!written_) written_ = contentOf(path_);
    if (written_ && *written_ == text) return true;
    if (!replace(text)) {
        written_.reset();
        return false;
    }
    written_ = text;
    problem_.clear();
    return true;
}

bool TextfileWriter::replace(const std::string& text) {
    // Hidden and without the .prom ending, so the collector never reads the temporary file.
    std::string temp = folderOf(path_) + "/." + baseNameOf(path_) + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        problem_ = "cannot create a file in " + folderOf(path_) + ": " + std::strerror(errno);
        return false;
    }
    // Readable by the exporter, which usually runs as another user.
    bool ok = ::fchmod(fd, 0644) == 0 && writeAll(fd, text);
    const int writeError = errno;
    ok = ::close(fd) == 0 && ok;
    if (!ok) {
        problem_ = "cannot write in " + folderOf(path_) + ": " + std::strerror(writeError);
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), path_.c_str()) != 0) {
        problem_ = "cannot replace " + path_ + ": " + std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

void TextfileWriter::removeWritten() {
    if (written_ && contentOf(path_) == written_) ::unlink(path_.c_str());
    written_.reset();
}

}  // namespace tarvel
