#include <gtest/gtest.h>

#include <QObject>
#include <vector>

#include "base/Clock.h"
#include "shell/statusitem/StatusDrawThrottle.h"

using namespace tarvel;

namespace {

// Records the deferred draws and runs them when the test moves the clock past them.
struct Harness {
    ManualClock clock{1000.0};
    std::vector<double> draws;
    struct Deferred {
        double at;
        std::function<void()> fire;
    };
    std::vector<Deferred> deferred;
    StatusDrawThrottle throttle{clock, [this] { draws.push_back(clock.now()); },
                                [this](double delay, std::function<void()> fire) {
                                    deferred.push_back({clock.now() + delay, std::move(fire)});
                                }};

    void advanceTo(double t) {
        while (true) {
            auto next = deferred.end();
            for (auto it = deferred.begin(); it != deferred.end(); ++it)
                if (it->at <= t && (next == deferred.end() || it->at < next->at)) next = it;
            if (next == deferred.end()) break;
            clock.set(next->at);
            auto fire = std::move(next->fire);
            deferred.erase(next);
            fire();
        }
        clock.set(t);
    }
};

}  // namespace

// Two requests 50 ms apart draw once, when the interval since the last draw is over; an
// immediate draw meanwhile (a level change) does not cancel it: it brings the newest values.
TEST(StatusDrawThrottle, RequestsWithinTheIntervalDrawOnceAfterItEvenPastAnImmediateDraw) {
    for (const bool immediateMeanwhile : {false, true}) {
        SCOPED_TRACE(immediateMeanwhile);
        Harness h;
        h.throttle.noteImmediateDraw();  // the last draw, at 1000.0
        h.advanceTo(1000.05);
        h.throttle.request();
        h.advanceTo(1000.10);
        h.throttle.request();
        EXPECT_TRUE(h.draws.empty());
        ASSERT_EQ(h.deferred.size(), 1u);
        if (immediateMeanwhile) {
            h.advanceTo(1000.15);
            h.throttle.noteImmediateDraw();
            EXPECT_FALSE(h.throttle.pending());
        }
        h.advanceTo(1001.0);
        ASSERT_EQ(h.draws.size(), 1u);
        EXPECT_NEAR(h.draws[0], 1000.2, 1e-9);
        EXPECT_NEAR(h.throttle.lastDrawAt(), 1000.2, 1e-9);
        EXPECT_FALSE(h.throttle.pending());
    }
}

TEST(StatusDrawThrottle, DrawsAtOnceAfterTheIntervalAndWaitsAtLeastTwentyMilliseconds) {
    struct Case {
        double sinceLastDraw;
        bool drawsNow;
        double delay;
    };
    const Case cases[] = {{0.2, true, 0},      {5.0, true, 0},      {0.0, false, 0.2},
                          {0.15, false, 0.05}, {0.19, false, 0.02}, {0.199, false, 0.02}};
    for (const auto& c : cases) {
        Harness h;
        h.throttle.noteImmediateDraw();
        h.advanceTo(1000.0 + c.sinceLastDraw);
        h.throttle.request();
        EXPECT_EQ(h.draws.size(), c.drawsNow ? 1u : 0u) << c.sinceLastDraw;
        if (c.drawsNow) continue;
        ASSERT_EQ(h.deferred.size(), 1u);
        EXPECT_NEAR(h.deferred[0].at - h.clock.now(), c.delay, 1e-9) << c.sinceLastDraw;
    }
}

TEST(StatusDrawThrottle, ADeferredDrawAfterTheThrottleIsGoneDoesNothing) {
    ManualClock clock;
    int draws = 0;
    std::function<void()> late;
    {
        StatusDrawThrottle throttle(
            clock, [&] { ++draws; }, [&](double, std::function<void()> fire) { late = fire; });
        throttle.noteImmediateDraw();
        throttle.request();
    }
    ASSERT_TRUE(late);
    late();
    EXPECT_EQ(draws, 0);
}
