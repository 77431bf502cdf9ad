#include "drain/PowerFigures.h"

#include <algorithm>
#include <cmath>

#include "telemetry/PowerStore.h"

namespace tarvel {

PowerFigures powerFiguresOf(const PowerStore& s) {
    return {s.packageWatts(), s.chargeWatts(), s.batteryPresent(),
            s.isOnAC(),       s.isCharging(),  s.gpuWatts()};
}

PowerFiguresProvider powerFiguresFrom(const PowerStore& store) {
    return [&store] { return powerFiguresOf(store); };
}

double attributableWatts(const PowerFigures& f) {
    const double b = f.chargeWatts, p = f.packageWatts;
    double watts =
        (f.batteryPresent && !f.isOnAC && !f.isCharging && b > 0.2) ? b : std::max(p, 0.0);
    return std::isfinite(watts) ? watts : 0.0;
}

}  // namespace tarvel
