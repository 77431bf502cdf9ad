#pragma once

#include <QObject>
#include <QTimer>
#include <memory>
#include <vector>

#include "base/Clock.h"
#include "base/SerialQueue.h"
#include "drain/EnergySampler.h"
#include "drain/PowerFigures.h"
#include "drain/ProcEnergy.h"

namespace tarvel {

class DrainLog;

// Estimates the watts each running process is responsible for and publishes the top list:
// every 20 s, or every 5 s while the popover is open (fast mode, with paths and 8 rows).
class ProcessEnergyStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::vector<tarvel::ProcEnergy> top READ top NOTIFY topChanged)

public:
    static constexpr double kProcPollIdle = 20.0;
    static constexpr double kProcPollUI = 5.0;
    static constexpr double kFirstSampleDelay = 3.0;
    static constexpr double kFastModeSampleDelay = 0.35;
    static constexpr double kTopLogInterval = 25.0;

    // `drainLog` receives the leading process at most every 25 s (none: not recorded).
    ProcessEnergyStore(Clock& clock, ProcessList& processes, PowerFiguresProvider power,
                       DrainLog* drainLog, QObject* parent = nullptr);
    ~ProcessEnergyStore() override;

    // The running application core's store.
    static ProcessEnergyStore& shared();
    void setPowerSource(PowerFiguresProvider power) { power_ = std::move(power); }

    const std::vector<ProcEnergy>& top() const { return top_; }
    bool fastMode() const { return fastMode_; }
    // A pass has finished: an empty list now means nothing was found, not "not looked yet".
    bool hasSampled() const { return hasSampled_; }
    // The running timer's period in seconds (0 when stopped).
    double timerInterval() const;

    // (Re)starts the timer for the current mode and samples once 3 s later.
    void start();
    // Switches cadence; switching on also samples once 0.35 s later.
    void setFastMode(bool on);
    // One sample: picks the power figure and runs a pass on the "tarvelpro.proc" queue. Does
    // nothing while a pass is in flight. The timer's action.
    void sample();

signals:
    void topChanged();
    // After each pass's result has been handled on the main thread.
    void sampleFinished();

private:
    void restartTimer(double interval);
    void publishTop(std::vector<ProcEnergy> list);

    Clock& clock_;
    PowerFiguresProvider power_;
    DrainLog* drainLog_;
    std::vector<ProcEnergy> top_;
    QTimer* timer_ = nullptr;
    bool fastMode_ = false;
    bool sampleInFlight_ = false;
    bool hasSampled_ = false;
    double lastTopLog_ = 0;
    EnergySampler sampler_;  // touched only on the queue

    SerialQueue workQ_{"tarvelpro.proc"};  // last: finishes a queued pass before the rest goes
};

}  // namespace tarvel
