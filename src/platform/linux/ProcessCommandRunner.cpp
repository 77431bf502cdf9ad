#include "platform/linux/ProcessCommandRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

extern char** environ;

namespace tarvel {

namespace {

struct Pipe {
    int read = -1;
    int write = -1;
    bool open() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return false;
        read = fds[0];
        write = fds[1];
        return true;
    }
    static void closeFd(int& fd) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    ~Pipe() {
        closeFd(read);
        closeFd(write);
    }
};

pid_t spawn(const std::string& path, const std::vector<std::string>& arguments, Pipe& out,
            Pipe& err) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out.write, 1);
    posix_spawn_file_actions_adddup2(&actions, err.write, 2);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

}  // namespace

std::string ProcessCommandRunner::shellCapture(const std::string& path,
                                               const std::vector<std::string>& arguments) {
    if (path.empty() || path.front() != '/') return {};
    // Polls ask for tools that Linux does not have; a missing one costs a stat, not a spawn.
    if (::access(path.c_str(), X_OK) != 0) return {};
    Pipe out, err;
    if (!out.open() || !err.open()) return {};
    const pid_t pid = spawn(path, arguments, out, err);
    if (pid < 0) return {};
    Pipe::closeFd(out.write);
    Pipe::closeFd(err.write);

    // The time limit covers the whole run, not only the output: a child that closes its pipes
    // and keeps running must not hold the caller (the power queue) in waitpid. Its process
    // descriptor becomes readable when it exits; kernels before 5.3 have none, and then the
    // child is looked at again every few milliseconds.
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    std::string output;
    char buffer[65536];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs_);
    bool exited = false;
    int status = 0;
    while (out.read >= 0 || err.read >= 0 || !exited) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        int wait = static_cast<int>(left.count());
        if (!exited && pidfd < 0) wait = std::min(wait, 20);
        pollfd fds[3] = {
            {out.read, POLLIN, 0}, {err.read, POLLIN, 0}, {exited ? -1 : pidfd, POLLIN, 0}};
        const int n = ::poll(fds, 3, wait);
        if (n < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                if (i == 0) output.append(buffer, static_cast<size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                Pipe::closeFd(i == 0 ? out.read : err.read);
            }
        }
        if (!exited) {
            const pid_t reaped = ::waitpid(pid, &status, WNOHANG);
            exited = reaped == pid || (reaped < 0 && errno != EINTR);
        }
    }
    if (pidfd >= 0) ::close(pidfd);
    // Output counts only from a child that exited and closed both pipes within the limit.
    const bool finished = exited && out.read < 0 && err.read < 0;
    if (!exited) {
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (!finished || !isValidUtf8(output)) return {};
    return output;
}

bool isValidUtf8(const std::string& bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len;
        unsigned cp;
        if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > n) return false;
        for (size_t k = 1; k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        const unsigned minimum = len == 2 ? 0x80 : len == 3 ? 0x800 : 0x10000;
        if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += len;
    }
    return true;
}

}  // namespace tarvel
