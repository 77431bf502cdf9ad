#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tarvel {

// The file operations behind the drain log. They run on the log's queue, never throw and
// report failure only through their result.
namespace drain_file {

enum class AppendResult { Appended, Created, Dropped };

// Appends the bytes to an existing file, or creates the file with just these bytes. A file
// that exists but cannot be opened for appending is left alone and the bytes are dropped.
AppendResult appendBytes(const std::string& path, std::string_view bytes);

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

// Replaces the file through a temporary file in the same folder and a rename, so a crash
// leaves either the old or the new content, never a mix. False when it could not.
bool replaceAtomically(const std::string& path, std::string_view bytes,
                       const BeforeReplace& beforeReplace = {});

// Reads the file and rewrites it with only the lines pruneText keeps. An unreadable file is
// left as it is; a file whose every line is kept is not rewritten.
void prunePass(const std::string& path, double cutoff, const BeforeReplace& beforeReplace = {});

// Deletes temporary files a crashed replace left beside `path`.
void removeStaleTemporaries(const std::string& path);

}  // namespace drain_file
}  // namespace tarvel
