#include "shell/statusitem/StatusDrawThrottle.h"

#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "base/Clock.h"

namespace tarvel {

StatusDrawThrottle::StatusDrawThrottle(Clock& clock, std::function<void()> redraw,
                                       Scheduler schedule)
    : clock_(clock), redraw_(std::move(redraw)), schedule_(std::move(schedule)) {}

StatusDrawThrottle::Scheduler StatusDrawThrottle::mainThreadScheduler(QObject* context) {
    return [context = QPointer<QObject>(context)](double delay, std::function<void()> fire) {
        if (!context) return;
        QTimer::singleShot(int(std::ceil(delay * 1000)), context.data(), std::move(fire));
    };
}

void StatusDrawThrottle::request() {
    const double now = clock_.now();
    const double elapsed = now - state_->lastDrawAt;
    if (elapsed >= kMinimumInterval) {
        state_->lastDrawAt = now;
        state_->pending = false;
        redraw_();
        return;
    }
    if (state_->pending) return;
    state_->pending = true;
    std::weak_ptr<State> weak = state_;
    schedule_(std::max(kMinimumInterval - elapsed, kMinimumDelay), [this, weak] {
        const auto state = weak.lock();
        if (!state) return;
        state->pending = false;
        state->lastDrawAt = clock_.now();
        redraw_();
    });
}

void StatusDrawThrottle::noteImmediateDraw() {
    state_->lastDrawAt = clock_.now();
    state_->pending = false;
}

}  // namespace tarvel
