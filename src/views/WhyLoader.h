#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <optional>
#include <string>

#include "drain/WhyDrain.h"

namespace tarvel {

class Clock;

// Runs the last-hour "why did it drop?" analysis off the main thread (it reads the whole
// history file) and hands the answer back on the main thread. A request while one runs is
// answered by one more run after it.
class WhyLoader : public QObject {
    Q_OBJECT

public:
    WhyLoader(std::string historyPath, Clock& clock, QObject* parent = nullptr);
    // Waits for a running analysis: it reads nothing this object owns, but the caller's log
    // may go next.
    ~WhyLoader() override;

    void load();
    bool isLoading() const { return running_; }
    // The last answer; none before the first one arrives.
    const std::optional<WhyDrain>& last() const { return last_; }

signals:
    void loaded(const tarvel::WhyDrain& why);

private:
    void start();
    void finished();

    std::string historyPath_;
    Clock& clock_;
    QFutureWatcher<WhyDrain> watcher_;
    // Until the answer is handled here, not until the worker returns: requests stay ordered.
    bool running_ = false;
    bool again_ = false;
    std::optional<WhyDrain> last_;
};

}  // namespace tarvel
