#pragma once

#include <QObject>

namespace tarvel {

// The machine and its display going to sleep and waking up.
class SleepWakeEvents : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    void systemWillSleep();
    void systemDidWake();
    void displayDidSleep();
    void displayDidWake();
};

}  // namespace tarvel
