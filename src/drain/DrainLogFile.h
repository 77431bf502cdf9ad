#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace tarvel {

// The file operations behind the drain log. They run on the log's queue, never throw and
// report failure only through their result.
namespace drain_file {

// The system calls that change the file. Empty members mean the real ones; tests put in their
// own to make a write fall short or to see the order of the calls.
struct FileCalls {
    std::function<long(int fd, const char* data, std::size_t size)> write;
    std::function<int(int fd)> fsync;
    std::function<int(const char* from, const char* to)> rename;
};

// The history file as read for analysis, export or pruning.
struct LogRead {
    enum class Status { Read, Missing, Unreadable };
    Status status = Status::Missing;
    std::string text;
    std::string problem;  // for Unreadable: the path and what is wrong with it
};

// Reads the whole file without ever blocking: a FIFO, a device or a folder in its place is
// refused as Unreadable. Only a path that does not exist counts as Missing.
LogRead readLog(const std::string& path);

// Like readLog, but reads backwards from the end and stops at the first whole line (by file
// order, from the end) whose canonical time text sorts before `before` (see quickBoundary):
// the text from that line to the end. The cost follows the lines after `before`, not the size
// of the file. Records are appended in time order, so with a margin below the window the
// caller loses nothing; an empty `before` reads the whole file.
LogRead readLogTail(const std::string& path, std::string_view before);

struct AppendOutcome {
    bool appended = false;
    std::string problem;  // when not appended: the path and what went wrong
};

// Appends the bytes as one write, creating the file when needed. A failed or short write is
// taken back, so the file keeps ending on a whole line; a file whose last line was torn anyway
// (a crash, a truncation that failed) gets the new bytes on a fresh line. No fsync: a crash
// may cost the last records, never the older ones.
AppendOutcome appendBytes(const std::string& path, std::string_view bytes,
                          const FileCalls& calls = {});

struct PruneOutcome {
    std::string text;      // the lines kept, each ended by a line feed
    bool changed = false;  // whether text differs from the input
};

// Keeps the lines that are JSON objects with a string "t" holding an internet date-time not
// earlier than `cutoff` (seconds since 1970); drops everything else, malformed lines included.
PruneOutcome pruneText(std::string_view text, double cutoff);

// Called after the new content is written to the temporary file and before it replaces the
// old one; lets tests stop a prune at its most delicate moment.
using BeforeReplace = std::function<void()>;

// Replaces the file through a temporary file in the same folder: written, flushed to disk,
// renamed over the file, and the folder flushed, so a crash or a power loss leaves either the
// old or the new content, never a mix or nothing. An empty string, or what went wrong.
std::string replaceAtomically(const std::string& path, std::string_view bytes,
                              const BeforeReplace& beforeReplace = {}, const FileCalls& calls = {});

// Reads the file and rewrites it with only the lines pruneText keeps. A missing file, or one
// whose every line is kept, is left alone. An empty string, or what went wrong.
std::string prunePass(const std::string& path, double cutoff,
                      const BeforeReplace& beforeReplace = {}, const FileCalls& calls = {});

// Whether pruneText would drop the file's first line: an empty line, a malformed one, or (as
// records are appended in time order) the oldest record when it is earlier than `cutoff`.
// Reads only that line; a missing, empty or unreadable file gives false.
bool firstLineDropped(const std::string& path, double cutoff);

// Deletes temporary files a crashed replace left beside `path`.
void removeStaleTemporaries(const std::string& path);

}  // namespace drain_file
}  // namespace tarvel
