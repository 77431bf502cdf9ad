#pragma once

#include <functional>
#include <optional>

namespace tarvel {

class PowerStore;

// What the energy attribution reads from the power store at each sample.
struct PowerFigures {
    PowerFigures() = default;
    PowerFigures(double package, double charge, bool present, bool onAC, bool charging,
                 std::optional<double> gpu = std::nullopt)
        : packageWatts(package),
          chargeWatts(charge),
          batteryPresent(present),
          isOnAC(onAC),
          isCharging(charging),
          gpuWatts(gpu) {}

    double packageWatts = 0;
    double chargeWatts = 0;
    bool batteryPresent = false;
    bool isOnAC = false;
    bool isCharging = false;
    std::optional<double> gpuWatts;  // measured GPU power; absent without a GPU sensor
};

using PowerFiguresProvider = std::function<PowerFigures()>;

// The store's published values (read on the main thread).
PowerFigures powerFiguresOf(const PowerStore& store);
PowerFiguresProvider powerFiguresFrom(const PowerStore& store);

// The figure to split over processes: the battery's own draw when running on it (and it reads
// above 0.2 W), otherwise the package power (never negative).
double attributableWatts(const PowerFigures& figures);

}  // namespace tarvel
