#pragma once

#include <optional>
#include <string>

namespace tarvel {

// Keeps one file holding the latest text for a reader that may look at any moment (node
// exporter's textfile collector): each new text goes to a temporary file in the same folder,
// which then replaces the file in one rename, so a reader sees the old text or the new one,
// never a part. An unchanged text is not written again.
class TextfileWriter {
public:
    explicit TextfileWriter(std::string path);

    const std::string& path() const { return path_; }

    // Writes `text` unless the file already holds it. Returns whether the file holds it now;
    // otherwise problem() says why.
    bool update(const std::string& text);
    // Deletes the file if this writer wrote it (a stale export is worse than none).
    void removeWritten();
    const std::string& problem() const { return problem_; }

private:
    bool replace(const std::string& text);

    std::string path_;
    std::optional<std::string> written_;  // what the file holds, as far as this writer knows
    std::string problem_;
};

}  // namespace tarvel
