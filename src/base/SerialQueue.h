#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace tarvel {

// A labelled worker thread that runs closures one at a time, in the order they were queued.
class SerialQueue {
public:
    explicit SerialQueue(std::string label);
    ~SerialQueue();  // runs what is already queued, then stops

    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const std::string& label() const { return label_; }

    void async(std::function<void()> work);
    // Runs work on the queue once `seconds` have passed; a repeating poll timed this way wakes
    // only the queue's thread. Timed work still waiting when the queue is destroyed is dropped.
    using TimedId = std::uint64_t;
    TimedId asyncAfter(double seconds, std::function<void()> work);
    // Drops timed work that has not started yet; unknown or finished ids are ignored.
    void cancel(TimedId id);
    // Runs work on the queue and waits for it; runs inline when called from the queue itself.
    void sync(const std::function<void()>& work);
    bool isCurrent() const;

private:
    void run();

    std::string label_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> pending_;
    struct Timed {
        TimedId id;
        std::function<void()> work;
    };
    std::multimap<std::chrono::steady_clock::time_point, Timed> timed_;
    TimedId nextTimedId_ = 1;
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace tarvel
