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

// Keeps each call's program and arguments and starts nothing: for tools that must not run on
// this system (Debian's `killall` and `defaults` are unrelated programs of the same names). The
// answer is "" unless `answers` is given, which is asked after the call is kept. With a
// `limit`, only that many of the latest calls are kept, so a runner used for the life of the
// application does not grow without end.
class RecordingCommandRunner final : public CommandRunner {
public:
    struct Call {
        std::string path;
        std::vector<std::string> arguments;
        bool operator==(const Call&) const = default;
    };

    explicit RecordingCommandRunner(CommandRunner* answers = nullptr, std::size_t limit = 0)
        : answers_(answers), limit_(limit) {}
    std::string shellCapture(const std::string& path,
                             const std::vector<std::string>& arguments) override {
        if (limit_ > 0 && calls_.size() >= limit_)
            calls_.erase(calls_.begin(), calls_.begin() + (calls_.size() - limit_ + 1));
        calls_.push_back({path, arguments});
        return answers_ ? answers_->shellCapture(path, arguments) : std::string();
    }
    const std::vector<Call>& calls() const { return calls_; }
    void clear() { calls_.clear(); }

private:
    CommandRunner* answers_;
    std::size_t limit_;
    std::vector<Call> calls_;
};

}  // namespace tarvel
