#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tarvel {

class PowerStore;

// The power-store fields the short status phrases are chosen from, so the phrases can be worked
// out for any state without a running store.
struct PowerFacts {
    bool batteryPresent = false;
    int levelPercent = 0;
    bool isCharging = false;
    bool isOnAC = false;
    double packageWatts = 0;
    std::string timeText;
    std::string statusText;
    std::optional<std::int64_t> remainingMinutes;

    static PowerFacts of(const PowerStore& store);
};

}  // namespace tarvel
