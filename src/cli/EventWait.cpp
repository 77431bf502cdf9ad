#include "cli/EventWait.h"

#include <QEventLoop>
#include <QTimer>

#include "telemetry/PowerStore.h"

namespace tarvel::cli {

void runEventsUntil(const std::function<bool()>& done, int timeoutMs) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    check.start(20);
    if (!done()) loop.exec();
}

void waitForPolls(const PowerStore& store, std::int64_t generation) {
    runEventsUntil([&] { return store.pollGeneration() >= generation; }, 60000);
}

void runEventsFor(int ms) {
    runEventsUntil([] { return false; }, ms);
}

}  // namespace tarvel::cli
