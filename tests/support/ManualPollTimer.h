#pragma once

#include <algorithm>
#include <functional>
#include <vector>

#include "base/Clock.h"
#include "base/PollTimer.h"

namespace tarvel::test {

// A poll timer driven by hand: ticks fire on tick(), one-shots when the clock passes them.
class ManualPollTimer final : public PollTimer {
public:
    explicit ManualPollTimer(ManualClock& clock) : clock_(clock) {}

    void start(double interval, double, std::function<void()> tick) override {
        interval_ = interval;
        tick_ = std::move(tick);
        ++starts;
    }
    void stop() override { interval_ = 0; }
    double interval() const override { return interval_; }
    void singleShot(double delay, std::function<void()> fire) override {
        shots_.push_back({clock_.now() + delay, delay, std::move(fire)});
    }

    void tick() {
        if (interval_ > 0 && tick_) tick_();
    }
    // Moves the clock forward, firing one-shots that come due, in order.
    void advance(double seconds) {
        const double until = clock_.now() + seconds;
        for (;;) {
            auto next =
                std::min_element(shots_.begin(), shots_.end(),
                                 [](const Shot& a, const Shot& b) { return a.due < b.due; });
            if (next == shots_.end() || next->due > until) break;
            clock_.set(next->due);
            auto fire = std::move(next->fire);
            shots_.erase(next);
            fire();
        }
        clock_.set(until);
    }
    std::vector<double> pendingDelays() const {
        std::vector<double> d;
        for (const auto& s : shots_) d.push_back(s.delay);
        return d;
    }

    int starts = 0;

private:
    struct Shot {
        double due;
        double delay;
        std::function<void()> fire;
    };
    ManualClock& clock_;
    double interval_ = 0;
    std::function<void()> tick_;
    std::vector<Shot> shots_;
};

}  // namespace tarvel::test
