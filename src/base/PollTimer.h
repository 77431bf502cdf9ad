#pragma once

#include <functional>
#include <memory>

class QObject;

namespace tarvel {

// A repeating timer plus one-shot delays. Stores take one so tests can drive time by hand.
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

class SerialQueue;
// Ticks and one-shots run on `queue`'s thread, so a poll that reads there wakes no other
// thread until it has something to show. Start and stop from any thread while the queue lives;
// nothing fires once the timer is destroyed.
std::unique_ptr<PollTimer> makeQueuePollTimer(SerialQueue& queue);

}  // namespace tarvel
