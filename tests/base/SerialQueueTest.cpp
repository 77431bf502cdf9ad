#include <gtest/gtest.h>

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/MainThread.h"
#include "base/PollTimer.h"
#include "base/SerialQueue.h"
#include "support/WaitUntil.h"

using tarvel::SerialQueue;

TEST(SerialQueue, RunsInOrderOffTheCallerAndSyncWaits) {
    std::vector<int> seen;
    std::thread::id worker;
    {
        SerialQueue q("tarvelpro.test");
        for (int i = 0; i < 100; ++i) q.async([&, i] { seen.push_back(i); });
        q.sync([&] {
            worker = std::this_thread::get_id();
            // sync from inside the queue must not deadlock
            q.sync([&] { seen.push_back(100); });
        });
        EXPECT_EQ(seen.size(), 101u);
        q.async([&] { seen.push_back(101); });
    }  // the destructor drains what was queued
    ASSERT_EQ(seen.size(), 102u);
    for (int i = 0; i < 102; ++i) EXPECT_EQ(seen[size_t(i)], i);
    EXPECT_NE(worker, std::this_thread::get_id());
}

// Timed work runs on the queue in due order, after work queued at once; cancelled or still
// waiting at destruction, it never runs.
TEST(SerialQueue, TimedWorkRunsWhenDueUnlessCancelledOrTheQueueIsGone) {
    std::vector<std::string> seen;
    std::atomic<bool> late{false};
    {
        SerialQueue q("tarvelpro.test");
        std::promise<void> gate, done;
        q.async([open = gate.get_future().share()] { open.wait(); });  // holds the queue
        q.asyncAfter(0.5, [&] { seen.push_back("later"); });
        q.asyncAfter(0.05, [&] { seen.push_back("sooner"); });
        const auto dropped = q.asyncAfter(0, [&] { seen.push_back("cancelled"); });
        q.asyncAfter(0.6, [&] { done.set_value(); });
        q.async([&] { seen.push_back("now"); });
        q.cancel(dropped);
        q.cancel(12345);  // unknown: ignored
        gate.set_value();
        done.get_future().wait();
        q.asyncAfter(60, [&] { late = true; });
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"now", "sooner", "later"}));
    EXPECT_FALSE(late);
}

// The tray's poll timer ticks on the reading thread; a restart or a stop takes effect at once,
// even for a tick already queued, and nothing fires once the timer is gone.
TEST(SerialQueue, PollTimerTicksOnTheQueueAndStopsWhenTold) {
    SerialQueue q("tarvelpro.test");
    std::atomic<int> slow{0}, fast{0}, shots{0};
    std::thread::id tickedOn;
    auto timer = tarvel::makeQueuePollTimer(q);
    timer->start(3600, 0, [&] { ++slow; });
    timer->start(0.01, 0, [&] {
        tickedOn = std::this_thread::get_id();
        ++fast;
    });
    timer->singleShot(0.01, [&] { ++shots; });
    while (fast < 3 || shots < 1) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    timer->stop();
    EXPECT_EQ(timer->interval(), 0);
    q.sync([] {});  // a tick queued before the stop has run or been dropped by now
    const int stopped = fast;
    timer->singleShot(0.01, [&] { ++shots; });
    timer.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    q.sync([] {});
    EXPECT_EQ(fast, stopped);
    EXPECT_EQ(slow, 0);
    EXPECT_EQ(shots, 1);
    bool onQueue = false;
    q.sync([&] { onQueue = std::this_thread::get_id() == tickedOn; });
    EXPECT_TRUE(onQueue);
}

TEST(MainThread, QueuedWorkRunsOnMainAndIsDroppedWithItsContext) {
    SerialQueue q("tarvelpro.test");
    auto alive = std::make_unique<QObject>();
    auto gone = std::make_unique<QObject>();
    std::atomic<int> ranAlive{0}, ranGone{0};
    std::thread::id ranOn;
    QObject* aliveContext = alive.get();
    QObject* goneContext = gone.get();
    q.sync([&] {
        tarvel::postTo(aliveContext, [&] {
            ranOn = std::this_thread::get_id();
            ++ranAlive;
        });
        tarvel::postTo(goneContext, [&] { ++ranGone; });
    });
    gone.reset();
    ASSERT_TRUE(tarvel::test::waitUntil([&] { return ranAlive > 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(ranAlive, 1);
    EXPECT_EQ(ranGone, 0);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}
