#include <memory>
#include <mutex>

#include "base/PollTimer.h"
#include "base/SerialQueue.h"

namespace tarvel {

namespace {

// What queued ticks share with the timer: they hold it, not the timer, so a tick already on its
// way finds the timer stopped or gone instead of touching freed memory.
struct TimerState {
    explicit TimerState(SerialQueue& q) : queue(q) {}
    SerialQueue& queue;
    std::mutex mutex;
    std::function<void()> tick;
    double interval = 0;
    std::uint64_t generation = 0;  // bumped by every start, stop and destruction
    SerialQueue::TimedId pending = 0;
};

void scheduleLocked(const std::shared_ptr<TimerState>& state, std::uint64_t generation);

// A tick that was already running when the timer was restarted finds a newer generation and
// neither runs nor schedules another.
void fire(const std::weak_ptr<TimerState>& weak, std::uint64_t generation) {
    const auto state = weak.lock();
    if (!state) return;
    std::function<void()> tick;
    {
        std::lock_guard lock(state->mutex);
        if (generation != state->generation) return;
        tick = state->tick;
        scheduleLocked(state, generation);
    }
    tick();
}

void scheduleLocked(const std::shared_ptr<TimerState>& state, std::uint64_t generation) {
    state->pending = state->queue.asyncAfter(
        state->interval,
        [weak = std::weak_ptr<TimerState>(state), generation] { fire(weak, generation); });
}

class QueuePollTimer final : public PollTimer {
public:
    explicit QueuePollTimer(SerialQueue& queue) : state_(std::make_shared<TimerState>(queue)) {}
    // The queue may already be gone: nothing is cancelled there, queued ticks just find no timer.
    ~QueuePollTimer() override {
        std::lock_guard lock(state_->mutex);
        ++state_->generation;
    }

    void start(double intervalSeconds, double, std::function<void()> tick) override {
        std::lock_guard lock(state_->mutex);
        cancelLocked();
        state_->interval = intervalSeconds;
        state_->tick = std::move(tick);
        scheduleLocked(state_, state_->generation);
    }
    void stop() override {
        std::lock_guard lock(state_->mutex);
        cancelLocked();
    }
    double interval() const override {
        std::lock_guard lock(state_->mutex);
        return state_->interval;
    }
    void singleShot(double delaySeconds, std::function<void()> fire) override {
        state_->queue.asyncAfter(
            delaySeconds, [weak = std::weak_ptr<TimerState>(state_), fire = std::move(fire)] {
                if (weak.lock()) fire();
            });
    }

private:
    void cancelLocked() {
        state_->queue.cancel(state_->pending);
        state_->pending = 0;
        state_->interval = 0;
        ++state_->generation;
    }

    std::shared_ptr<TimerState> state_;
};

}  // namespace

std::unique_ptr<PollTimer> makeQueuePollTimer(SerialQueue& queue) {
    return std::make_unique<QueuePollTimer>(queue);
}

}  // namespace tarvel
