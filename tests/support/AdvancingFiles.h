#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "support/FixtureTree.h"

namespace tarvel::test {

// Files under a fixture tree that advance in real time, like a busy package's energy counter
// or a process's CPU time, until the object goes away. Each is replaced in one step: readers
// give up on a file they find half rewritten.
class AdvancingFiles {
public:
    // A file's content after `seconds`.
    using Content = std::function<std::string(double seconds)>;
    AdvancingFiles(const FixtureTree& t, std::vector<std::pair<std::string, Content>> files)
        : tree_(t), files_(std::move(files)) {
        write(0);
        writer_ = std::thread([this] {
            const auto start = std::chrono::steady_clock::now();
            while (!stop_) {
                write(std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
                          .count());
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
    }
    ~AdvancingFiles() {
        stop_ = true;
        writer_.join();
    }

private:
    void write(double seconds) const {
        for (const auto& [path, content] : files_) tree_.replace(path, content(seconds));
    }
    const FixtureTree& tree_;
    std::vector<std::pair<std::string, Content>> files_;
    std::atomic<bool> stop_{false};
    std::thread writer_;
};

}  // namespace tarvel::test
