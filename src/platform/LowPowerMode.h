#pragma once

#include <QObject>

namespace tarvel {

// Whether the system asks applications to save power, with a signal when that changes.
class LowPowerMode : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual bool isLowPowerModeEnabled() const = 0;

signals:
    void changed();
};

// A switch for tests and for machines where nothing says so.
class FixedLowPowerMode final : public LowPowerMode {
    Q_OBJECT
public:
    bool isLowPowerModeEnabled() const override { return on_; }
    void set(bool on) {
        if (on == on_) return;
        on_ = on;
        emit changed();
    }

private:
    bool on_ = false;
};

}  // namespace tarvel
