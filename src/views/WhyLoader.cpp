#include "views/WhyLoader.h"

#include <QtConcurrent/QtConcurrentRun>

#include "base/Clock.h"

namespace tarvel {

WhyLoader::WhyLoader(std::string historyPath, Clock& clock, QObject* parent)
    : QObject(parent), historyPath_(std::move(historyPath)), clock_(clock) {
    connect(&watcher_, &QFutureWatcher<WhyDrain>::finished, this, &WhyLoader::finished);
}

WhyLoader::~WhyLoader() {
    watcher_.disconnect(this);
    watcher_.waitForFinished();
}

void WhyLoader::load() {
    if (running_) {
        again_ = true;
        return;
    }
    start();
}

void WhyLoader::start() {
    running_ = true;
    const double now = clock_.now();
    watcher_.setFuture(QtConcurrent::run(
        [path = historyPath_, now] { return whyDrainFromFile(path, now); }));
}

void WhyLoader::finished() {
    running_ = false;
    last_ = watcher_.result();
    if (again_) {
        again_ = false;
        start();
    }
    emit loaded(*last_);
}

}  // namespace tarvel
