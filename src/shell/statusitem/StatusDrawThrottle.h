#pragma once

#include <functional>
#include <memory>

class QObject;

namespace tarvel {

class Clock;

// Keeps watt changes from redrawing the status item more than every 0.2 s. A request at least
// 0.2 s after the last draw draws at once; an earlier one schedules a single deferred draw,
// which picks up the newest values whenever it runs.
class StatusDrawThrottle {
public:
    static constexpr double kMinimumInterval = 0.2;
    static constexpr double kMinimumDelay = 0.02;

    // Runs `fire` once after `delaySeconds` on the main thread.
    using Scheduler = std::function<void(double delaySeconds, std::function<void()> fire)>;

    StatusDrawThrottle(Clock& clock, std::function<void()> redraw, Scheduler schedule);

    // A scheduler over the main thread's event loop; nothing runs once `context` is gone.
    static Scheduler mainThreadScheduler(QObject* context);

    // A throttled redraw request.
    void request();
    // A redraw that went ahead unthrottled (level, power source, timer): counts as a draw.
    void noteImmediateDraw();

    bool pending() const { return state_->pending; }
    double lastDrawAt() const { return state_->lastDrawAt; }

private:
    struct State {
        bool pending = false;
        double lastDrawAt = 0;
    };
    Clock& clock_;
    std::function<void()> redraw_;
    Scheduler schedule_;
    // Deferred draws hold it weakly: one firing after the throttle is gone does nothing.
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace tarvel
