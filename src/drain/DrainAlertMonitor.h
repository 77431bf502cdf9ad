#pragma once

#include <QObject>
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
// while running on it. Its settings are read at every evaluation, so a change made anywhere
// applies at the next one; the properties announce such changes. Main thread only.
class DrainAlertMonitor : public QObject, public DrainEvaluator {
    Q_OBJECT
    Q_PROPERTY(bool isEnabled READ isEnabled WRITE setEnabled NOTIFY isEnabledChanged)
    Q_PROPERTY(int dropPercent READ dropPercent WRITE setDropPercent NOTIFY dropPercentChanged)
    Q_PROPERTY(
        int windowMinutes READ windowMinutes WRITE setWindowMinutes NOTIFY windowMinutesChanged)

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
                      TopProcessName topProcess, QObject* parent = nullptr);

    // The running application core's monitor.
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

signals:
    void isEnabledChanged();
    void dropPercentChanged();
    void windowMinutesChanged();

private:
    void followSetting(const std::string& key);

    Clock& clock_;
    UserDefaults& defaults_;
    NotificationCenter& notifications_;
    TopProcessName topProcess_;
    std::string lastAlertKey_ = kLastFireKey;
    std::deque<TrailEntry> levelTrail_;
    // The settings as last announced through the change signals.
    struct {
        bool enabled;
        int dropPercent;
        int windowMinutes;
    } announced_;
};

}  // namespace tarvel
