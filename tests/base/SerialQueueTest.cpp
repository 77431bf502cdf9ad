#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "base/MainThread.h"
#include "base/SerialQueue.h"

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
    QElapsedTimer t;
    t.start();
    while (ranAlive == 0 && t.elapsed() < 5000) QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(ranAlive, 1);
    EXPECT_EQ(ranGone, 0);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}
