#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "base/Clock.h"
#include "base/UserDefaults.h"
#include "platform/NotificationCenter.h"
#include "telemetry/PowerObservers.h"

namespace tarvel {

// Notifies the user, at most every 30 minutes, when the battery loses charge unusually fast
// while running on it. Main thread only.
class DrainAlertMonitor : public DrainEvaluator {
public:
    static constexpr const char* kEnabledKey = "tarvelpro.drainAlerts.enabled";
    static constexpr const char* kDropPercentKey = "tarvelpro.drainAlerts.dropPercent";
    static constexpr const char* kWindowMinutesKey = "tarvelpro.drainAlerts.windowMinutes";
    static constexpr const char* kLastFireKey = "tarvelpro.drainAlerts.lastFire";
    static constexpr int kDefaultDropPercent = 5, kMinDropPercent = 2, kMaxDropPercent = 30;
    static constexpr int kDefaultWindowMinutes = 15, kMinWindowMinutes = 5, kMaxWindowMinutes = 60;
    static constexpr double kCoolDownSeconds = 1800.0;
    static constexpr const char* kTitle = "Tarvel · drain alert";
    static constexpr const char* kIdentifierPrefix = "tarvelpro.drain.";

    // The name of the current top energy process, if any.
    using TopProcessName = std::function<std::optional<std::string>()>;

    DrainAlertMonitor(Clock& clock, UserDefaults& defaults, NotificationCenter& notifications,
                      TopProcessName topProcess);

    // The application's monitor: system clock, standard defaults, the desktop's notification
    // service and the shared process energy store's leader.
    static DrainAlertMonitor& shared();

    void evaluate(int level, bool onBattery) override;

    bool isEnabled() const;
    void setEnabled(bool on);
    int dropPercent() const;
    void setDropPercent(int percent);
    int windowMinutes() const;
    void setWindowMinutes(int minutes);
    void requestPermission();

    struct TrailEntry {
        double time;
        int level;
    };
    const std::deque<TrailEntry>& levelTrail() const { return levelTrail_; }

private:
    Clock& clock_;
    UserDefaults& defaults_;
    NotificationCenter& notifications_;
    TopProcessName topProcess_;
    std::string lastAlertKey_ = kLastFireKey;
    std::deque<TrailEntry> levelTrail_;
};

}  // namespace tarvel
