#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

namespace tarvel::test {

// Runs the event loop until `done` holds or `timeoutMs` passes; returns whether it holds.
template <typename Pred>
bool waitUntil(Pred done, int timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

}  // namespace tarvel::test
