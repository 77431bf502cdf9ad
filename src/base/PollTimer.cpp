#include "base/PollTimer.h"

#include <QObject>
#include <QTimer>

namespace tarvel {

namespace {

class QtPollTimer final : public PollTimer {
public:
    QtPollTimer() {
        QObject::connect(&timer_, &QTimer::timeout, &context_, [this] {
            if (tick_) tick_();
        });
    }

    void start(double intervalSeconds, double toleranceSeconds,
               std::function<void()> tick) override {
        tick_ = std::move(tick);
        timer_.setTimerType(toleranceSeconds > 0 ? Qt::CoarseTimer : Qt::PreciseTimer);
        timer_.start(static_cast<int>(intervalSeconds * 1000.0 + 0.5));
        interval_ = intervalSeconds;
    }
    void stop() override {
        timer_.stop();
        interval_ = 0;
    }
    double interval() const override { return timer_.isActive() ? interval_ : 0; }
    void singleShot(double delaySeconds, std::function<void()> fire) override {
        QTimer::singleShot(static_cast<int>(delaySeconds * 1000.0 + 0.5), &context_,
                           std::move(fire));
    }

private:
    QObject context_;  // one-shots die with the timer
    QTimer timer_;
    std::function<void()> tick_;
    double interval_ = 0;
};

}  // namespace

std::unique_ptr<PollTimer> makeQtPollTimer() {
    return std::make_unique<QtPollTimer>();
}

}  // namespace tarvel
