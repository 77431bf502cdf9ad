#pragma once

#include "platform/CommandRunner.h"

namespace tarvel {

// Spawns the program directly, drains standard output and standard error on their own pipes
// (so neither can fill up and stall the child), and waits for it. A child that runs past the
// time limit is killed and counts as printing nothing, so a hung tool cannot stall polling.
class ProcessCommandRunner final : public CommandRunner {
public:
    explicit ProcessCommandRunner(int timeoutMs = 15000) : timeoutMs_(timeoutMs) {}
    std::string shellCapture(const std::string& path,
                             const std::vector<std::string>& arguments) override;

private:
    int timeoutMs_;
};

bool isValidUtf8(const std::string& bytes);

}  // namespace tarvel
