#pragma once

#include <optional>

namespace tarvel {

// Where each poll's published power goes after it is applied: the drain history and the
// fast-drain monitor. The power store holds them through these narrow interfaces so that
// telemetry does not depend on the drain subsystem.
class PowerRecorder {
public:
    virtual ~PowerRecorder() = default;
    // `level` is absent while it cannot be read.
    virtual void recordPower(std::optional<int> level, double packageW, double chargeW,
                             bool charging) = 0;
};

class DrainEvaluator {
public:
    virtual ~DrainEvaluator() = default;
    virtual void evaluate(int level, bool onBattery) = 0;
};

}  // namespace tarvel
