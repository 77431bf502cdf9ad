#pragma once

#include <functional>
#include <memory>

class QObject;

namespace tarvel {

// A repeating timer plus one-shot delays, on the main thread. Stores take one so tests can
// drive time by hand.
class PollTimer {
public:
    virtual ~PollTimer() = default;
    // Replaces any running repetition.
    virtual void start(double intervalSeconds, double toleranceSeconds,
                       std::function<void()> tick) = 0;
    virtual void stop() = 0;
    // The running period in seconds; 0 when stopped.
    virtual double interval() const = 0;
    virtual void singleShot(double delaySeconds, std::function<void()> fire) = 0;
};

// QTimer underneath. A tolerance above 0 lets the system batch wake-ups (a coarse timer).
// Nothing fires after the object is destroyed.
std::unique_ptr<PollTimer> makeQtPollTimer();

}  // namespace tarvel
