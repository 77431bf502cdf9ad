#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tarvel {

class CommandRunner {
public:
    virtual ~CommandRunner() = default;
    // Runs the executable at `path` directly (no shell) and returns its whole standard output
    // as UTF-8; "" when it cannot start, fails to finish or prints something that is not UTF-8.
    virtual std::string shellCapture(const std::string& path,
                                     const std::vector<std::string>& arguments) = 0;
};

// Answers from captured output, keyed by executable path; other programs go to `fallback`,
// or print nothing without one.
class CannedCommandRunner final : public CommandRunner {
public:
    explicit CannedCommandRunner(CommandRunner* fallback = nullptr) : fallback_(fallback) {}
    void setOutput(const std::string& path, std::string text) { outputs_[path] = std::move(text); }
    std::string shellCapture(const std::string& path,
                             const std::vector<std::string>& arguments) override {
        ++calls_[path];
        auto it = outputs_.find(path);
        if (it != outputs_.end()) return it->second;
        return fallback_ ? fallback_->shellCapture(path, arguments) : std::string();
    }
    int calls(const std::string& path) const {
        auto it = calls_.find(path);
        return it == calls_.end() ? 0 : it->second;
    }

private:
    CommandRunner* fallback_;
    std::map<std::string, std::string> outputs_;
    std::map<std::string, int> calls_;
};

}  // namespace tarvel
