#pragma once

#include <QTemporaryDir>
#include <map>
#include <string>
#include <vector>

namespace tarvel::test {

// A throwaway directory tree for sysfs- and proc-like fixtures.
class FixtureTree {
public:
    FixtureTree();
    const std::string& root() const { return root_; }
    // Writes `content` to root/relativePath, creating folders on the way. The file is
    // truncated first, so a reader running at the same time may find it empty.
    void write(const std::string& relativePath, const std::string& content) const;
    // Replaces root/relativePath in one step (written beside it, then renamed over it), the way
    // a sysfs attribute changes: a concurrent reader sees the old content or the new, never an
    // empty file. For files rewritten while the code under test reads them.
    void replace(const std::string& relativePath, const std::string& content) const;
    // Writes each name → content under root/folder.
    void writeAll(const std::string& folder, const std::map<std::string, std::string>& files) const;
    void remove(const std::string& relativePath) const;
    std::string read(const std::string& relativePath) const;

private:
    QTemporaryDir dir_;
    std::string root_;
};

// Runs the built tarvelctl with the arguments; returns its exit status and output.
struct CommandResult {
    int status = -1;
    std::string out;
    std::string err;
};
CommandResult runTarvelctl(const std::vector<std::string>& args,
                           const std::map<std::string, std::string>& env = {});

// The content of a file under tests/fixtures.
std::string fixtureText(const std::string& relative);

}  // namespace tarvel::test
