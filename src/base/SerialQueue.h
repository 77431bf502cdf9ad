#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
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
    // Runs work on the queue and waits for it; runs inline when called from the queue itself.
    void sync(const std::function<void()>& work);
    bool isCurrent() const;

private:
    void run();

    std::string label_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> pending_;
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace tarvel
