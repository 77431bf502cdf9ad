#pragma once

#include <cstdint>
#include <functional>

namespace tarvel {
class PowerStore;
}

namespace tarvel::cli {

// Runs the event loop until `done` holds (checked every 20 ms) or `timeoutMs` passes.
void runEventsUntil(const std::function<bool()>& done, int timeoutMs);
// Runs the event loop until the store has applied `generation` polls.
void waitForPolls(const PowerStore& store, std::int64_t generation);
// Runs the event loop for `ms` milliseconds.
void runEventsFor(int ms);

}  // namespace tarvel::cli
