#include "drain/ProcessEnergyStore.h"

#include <cmath>

#include "base/MainThread.h"
#include "base/SharedInstance.h"
#include "drain/DrainLog.h"
#include "drain/PowerFigures.h"

namespace tarvel {

namespace {
int toMs(double seconds) {
    return static_cast<int>(std::lround(seconds * 1000.0));
}
}  // namespace

ProcessEnergyStore::ProcessEnergyStore(Clock& clock, ProcessList& processes,
                                       PowerFiguresProvider power, DrainLog* drainLog,
                                       QObject* parent)
    : QObject(parent),
      clock_(clock),
      power_(std::move(power)),
      drainLog_(drainLog),
      sampler_(processes, clock.now()) {}

ProcessEnergyStore::~ProcessEnergyStore() = default;

ProcessEnergyStore& ProcessEnergyStore::shared() {
    return SharedInstance<ProcessEnergyStore>::get("ProcessEnergyStore");
}

double ProcessEnergyStore::timerInterval() const {
    return timer_ && timer_->isActive() ? timer_->interval() / 1000.0 : 0.0;
}

void ProcessEnergyStore::start() {
    restartTimer(fastMode_ ? kProcPollUI : kProcPollIdle);
    QTimer::singleShot(toMs(kFirstSampleDelay), this, &ProcessEnergyStore::sample);
}

void ProcessEnergyStore::setFastMode(bool on) {
    if (on == fastMode_) return;
    fastMode_ = on;
    restartTimer(on ? kProcPollUI : kProcPollIdle);
    // The extra sample goes through sample() on the main thread, like every other one: the power
    // figures are main-thread state, and the in-flight flag keeps passes from piling up.
    if (on) QTimer::singleShot(toMs(kFastModeSampleDelay), this, &ProcessEnergyStore::sample);
}

void ProcessEnergyStore::restartTimer(double interval) {
    delete timer_;
    timer_ = new QTimer(this);
    // Coarse timers may fire a little late, which lets the system batch wake-ups.
    timer_->setTimerType(Qt::CoarseTimer);
    timer_->setInterval(toMs(interval));
    connect(timer_, &QTimer::timeout, this, &ProcessEnergyStore::sample);
    timer_->start();
}

void ProcessEnergyStore::sample() {
    if (sampleInFlight_) return;
    sampleInFlight_ = true;
    const PowerFigures figures = power_ ? power_() : PowerFigures{};
    const double watts = attributableWatts(figures);
    const std::optional<double> gpuWatts = figures.gpuWatts;
    const bool fast = fastMode_;
    const double now = clock_.now();
    workQ_.async([this, watts, gpuWatts, fast, now] {
        std::vector<ProcEnergy> list = sampler_.pass(now, watts, fast, gpuWatts);
        postTo(this, [this, list = std::move(list)]() mutable { publishTop(std::move(list)); });
        postTo(this, [this] {
            sampleInFlight_ = false;
            hasSampled_ = true;
            emit sampleFinished();
        });
    });
}

void ProcessEnergyStore::publishTop(std::vector<ProcEnergy> list) {
    std::optional<ProcEnergy> leader;
    if (!list.empty()) leader = list.front();
    // Small jitter is not worth a redraw.
    if (!sameWithinTolerance(top_, list)) {
        top_ = std::move(list);
        emit topChanged();
    }
    if (!leader) return;
    const double now = clock_.now();
    if (now - lastTopLog_ >= kTopLogInterval) {
        lastTopLog_ = now;
        if (drainLog_)
            drainLog_->recordTopProcess(leader->name, leader->energyScore, leader->cpuPercent,
                                        leader->gpuWatts.value_or(0) * 10.0);
    }
}

}  // namespace tarvel
