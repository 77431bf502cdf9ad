#pragma once

#include <functional>

namespace tarvel {

class PowerStore;

// What the energy attribution reads from the power store at each sample.
struct PowerFigures {
    double packageWatts = 0;
    double chargeWatts = 0;
    bool batteryPresent = false;
    bool isOnAC = false;
    bool isCharging = false;
};

using PowerFiguresProvider = std::function<PowerFigures()>;

// The store's published values (read on the main thread).
PowerFigures powerFiguresOf(const PowerStore& store);
PowerFiguresProvider powerFiguresFrom(const PowerStore& store);

// The figure to split over processes: the battery's own draw when running on it (and it reads
// above 0.2 W), otherwise the package power (never negative).
double attributableWatts(const PowerFigures& figures);

}  // namespace tarvel
