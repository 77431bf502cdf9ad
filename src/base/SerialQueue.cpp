#include "base/SerialQueue.h"

#include <pthread.h>

#include <algorithm>
#include <future>

namespace tarvel {

SerialQueue::SerialQueue(std::string label) : label_(std::move(label)) {
    worker_ = std::thread([this] { run(); });
    // Thread names are at most 15 characters; keep the distinctive tail ("ioreport", ...).
    std::string name = label_.size() > 15 ? label_.substr(label_.size() - 15) : label_;
    pthread_setname_np(worker_.native_handle(), name.c_str());
}

SerialQueue::~SerialQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

void SerialQueue::async(std::function<void()> work) {
    {
        std::lock_guard lock(mutex_);
        pending_.push_back(std::move(work));
    }
    wake_.notify_one();
}

SerialQueue::TimedId SerialQueue::asyncAfter(double seconds, std::function<void()> work) {
    const auto due = std::chrono::steady_clock::now() +
                     std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                         std::chrono::duration<double>(std::max(seconds, 0.0)));
    TimedId id;
    {
        std::lock_guard lock(mutex_);
        id = nextTimedId_++;
        timed_.emplace(due, Timed{id, std::move(work)});
    }
    wake_.notify_one();
    return id;
}

void SerialQueue::cancel(TimedId id) {
    std::lock_guard lock(mutex_);
    for (auto it = timed_.begin(); it != timed_.end(); ++it) {
        if (it->second.id == id) {
            timed_.erase(it);
            return;
        }
    }
}

void SerialQueue::sync(const std::function<void()>& work) {
    if (isCurrent()) {
        work();
        return;
    }
    std::promise<void> done;
    async([&] {
        work();
        done.set_value();
    });
    done.get_future().wait();
}

bool SerialQueue::isCurrent() const {
    return std::this_thread::get_id() == worker_.get_id();
}

void SerialQueue::run() {
    for (;;) {
        std::function<void()> work;
        {
            std::unique_lock lock(mutex_);
            for (;;) {
                if (!pending_.empty()) {
                    work = std::move(pending_.front());
                    pending_.pop_front();
                    break;
                }
                if (stopping_) return;
                if (timed_.empty()) {
                    wake_.wait(lock);
                    continue;
                }
                const auto first = timed_.begin();
                if (first->first <= std::chrono::steady_clock::now()) {
                    work = std::move(first->second.work);
                    timed_.erase(first);
                    break;
                }
                // By value: cancel() may erase the entry while this waits.
                const auto due = first->first;
                wake_.wait_until(lock, due);
            }
        }
        work();
    }
}

}  // namespace tarvel
