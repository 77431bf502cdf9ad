#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "base/RegularFile.h"
#include "support/FixtureTree.h"

using tarvel::openRegularFile;
using tarvel::readRegularFileText;

// The kernel's own files report as regular files and are read; nothing else is, and nothing
// waits for a writer that never comes.
TEST(RegularFile, ReadsKernelAndPlainFilesAndRefusesTheRestWithoutBlocking) {
    tarvel::test::FixtureTree dir;
    const std::string& root = dir.root();
    dir.write("capacity", "57\n");
    const std::string plain = root + "/capacity";
    // A name that would drive the terminal if the message printed it raw.
    const std::string fifo = root + "/energy\x1b]0;t\x07_uj";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::string ownStat = "/proc/" + std::to_string(::getpid()) + "/stat";

    const struct {
        std::string path;
        bool readable;
        int error;  // errno when refused
        std::string startsWith;
    } cases[] = {
        {plain, true, 0, "57\n"},         {ownStat, true, 0, std::to_string(::getpid()) + " ("},
        {"/proc/self/comm", true, 0, ""}, {"/sys/devices/system/cpu/online", true, 0, "0"},
        {fifo, false, EINVAL, ""},        {"/dev/null", false, EINVAL, ""},
        {root, false, EINVAL, ""},        {root + "/missing", false, ENOENT, ""},
    };
    ::testing::internal::CaptureStderr();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        errno = 0;
        const auto text = readRegularFileText(c.path);
        ASSERT_EQ(text.has_value(), c.readable);
        if (c.readable) {
            EXPECT_FALSE(text->empty());
            EXPECT_EQ(text->rfind(c.startsWith, 0), 0u) << *text;
        } else {
            EXPECT_EQ(errno, c.error);
        }
    }
    // Writing to a FIFO without a reader is refused at once too.
    EXPECT_EQ(openRegularFile(fifo.c_str(), O_WRONLY), -1);
    EXPECT_EQ(readRegularFileText(fifo), std::nullopt);
    const std::string said = ::testing::internal::GetCapturedStderr();
    // Each refused path is named once, however often it is tried.
    EXPECT_EQ(said, "tarvel: " + root +
                        "/energy\\x1b]0;t\\x07_uj is not a regular file; not reading it\n" +
                        "tarvel: /dev/null is not a regular file; not reading it\n" +
                        "tarvel: " + root + " is not a regular file; not reading it\n");
}
