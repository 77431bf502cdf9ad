#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>

#include "charge/ChargeSMC.h"

namespace tarvel {

class PowerStore;
class UserDefaults;

// The charge-limit state shown to the user, in its fixed order.
enum class ChargeLimitStatus {
    off,
    onBattery,
    chargingToLimit,
    holding,
    chargeToFull,
    discharging,
    unsupported
};

// The display text of a status ("Inhibiting charging" for holding, ...).
const char* rawValue(ChargeLimitStatus status);
// The case's name ("holding", ...), for machine-readable output.
const char* caseName(ChargeLimitStatus status);

// Settings keys owned by the controller.
inline constexpr const char* kChargeLimitEnabledKey = "tarvelpro.chargeLimit.enabled";
inline constexpr const char* kChargeLimitPercentKey = "tarvelpro.chargeLimit.percent";
inline constexpr const char* kChargeLimitForceFullKey = "tarvelpro.chargeLimit.forceFull";
inline constexpr const char* kChargeLimitDischargeKey = "tarvelpro.chargeLimit.discharge";

// The battery readings the policy depends on.
struct ChargeBatteryState {
    bool batteryPresent = false;
    int levelPercent = 0;
    bool isOnAC = false;
    bool isCharging = false;
    // False until the battery has been read once, and while its level cannot be read: nothing
    // can be decided then.
    bool known = true;
};
using ChargeBatteryStateProvider = std::function<ChargeBatteryState()>;

// Reads the store's published values at each call; a store that is gone reads as no battery,
// a store that has not applied a poll yet as unknown.
ChargeBatteryStateProvider batteryStateOf(PowerStore& store);

// What one evaluation concludes, before anything is written.
struct ChargeDecision {
    ChargeLimitStatus status = ChargeLimitStatus::off;
    std::optional<std::string> modeDescription;  // none: leave the shown one
    std::string detail;
    std::optional<ChargeSMCMode> mode;  // the charger mode to be in; none: touch nothing
    bool fullChargeDone = false;        // the charge-to-full override has reached its end
};

// Holds the battery at a chosen level while the charger is connected (with a 2-point band so
// the charger is not toggled at every 1-point change), and offers two temporary overrides:
// charge to 100 % once, or run from the battery on the adapter. Decides the wanted charger
// mode every 3 s and after every settings change, and writes it only when the charger is not
// already in it (read back from the charger, so a mode changed by another program is
// corrected). Follows its settings when another process changes them. Main thread only.
class ChargeLimitController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isEnabled READ isEnabled WRITE setIsEnabled NOTIFY isEnabledChanged)
    Q_PROPERTY(
        double limitPercent READ limitPercent WRITE setLimitPercent NOTIFY limitPercentChanged)
    Q_PROPERTY(bool forceFullCharge READ forceFullCharge WRITE setForceFullCharge NOTIFY
                   forceFullChargeChanged)
    Q_PROPERTY(bool forceDischarge READ forceDischarge WRITE setForceDischarge NOTIFY
                   forceDischargeChanged)
    Q_PROPERTY(tarvel::ChargeLimitStatus status READ status NOTIFY statusChanged)
    Q_PROPERTY(std::string detail READ detail NOTIFY detailChanged)
    Q_PROPERTY(std::string backendName READ backendName NOTIFY backendNameChanged)
    Q_PROPERTY(std::optional<std::string> lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(std::string modeDescription READ modeDescription NOTIFY modeDescriptionChanged)

public:
    static constexpr int kEvaluateIntervalMs = 3000;

    // Reads the settings and names the backend; does not evaluate or start the timer.
    ChargeLimitController(UserDefaults& defaults, ChargeSMC& smc,
                          ChargeBatteryStateProvider battery, QObject* parent = nullptr);

    // The running application core's controller.
    static ChargeLimitController& shared();

    // (Re)starts the evaluations and evaluates at once: every 3 seconds on its own timer, or
    // after each `signal` of `source` once paced by it.
    void start();
    void stop();
    bool isRunning() const { return running_; }
    // Evaluates after every battery poll instead of on a timer of its own: the battery is fresh
    // then, and no extra wake-up is spent.
    template <typename Sender, typename Signal>
    void paceBy(const Sender* source, Signal signal) {
        paced_ = true;
        timer_.stop();
        connect(source, signal, this, [this] {
            if (running_) evaluate();
        });
    }
    // One decision: reads the battery, applies the wanted mode, publishes the status. Does
    // nothing until the battery has been read once.
    void evaluate();
    // evaluate() without its writes: shows what it would decide, leaves the charger and the
    // settings alone.
    void preview();
    // What evaluate() would decide for this battery and the charger's present mode (none: it
    // cannot say), without writing or showing anything.
    ChargeDecision decide(const ChargeBatteryState& battery,
                          std::optional<ChargeSMCMode> chargerMode);

    bool isEnabled() const { return isEnabled_; }
    double limitPercent() const { return limitPercent_; }
    bool forceFullCharge() const { return forceFullCharge_; }
    bool forceDischarge() const { return forceDischarge_; }
    ChargeLimitStatus status() const { return status_; }
    const std::string& detail() const { return detail_; }
    const std::string& backendName() const { return backendName_; }
    // Which attribute carries the backend on this machine ("BAT0: charge_behaviour"), beside
    // the backend's name; empty when there is none.
    std::string backendDetail() const { return smc_.transportDetail(); }
    const std::optional<std::string>& lastError() const { return lastError_; }
    // Why the discharge override is not offered on this machine; none when it is.
    std::optional<std::string> whyNoDischarge() const { return smc_.whyNoDischarge(); }
    // Set when the firmware holds a level of its own (a vendor's 80 % switch): the limit then
    // follows the firmware, not the slider.
    std::optional<ChargerTransport::FirmwareLevel> firmwareLevel() const {
        return smc_.firmwareLevel();
    }
    // The limit in effect: the firmware's level where it holds one it knows, else the setting.
    int heldLimit() const;
    const std::string& modeDescription() const { return modeDescription_; }
    int hysteresis() const { return hysteresis_; }
    // The last mode written successfully; none before the first write.
    std::optional<ChargeSMCMode> appliedMode() const { return appliedMode_; }

    void setIsEnabled(bool on);
    void setLimitPercent(double percent);
    void setForceFullCharge(bool on);
    // Turning discharge on where the charger cannot discharge is refused: the setting stays
    // off and lastError() says why.
    void setForceDischarge(bool on);

    void chargeToFullNow();
    void dischargeBattery();
    void stopOverride();
    // Turns management off and hands charging back to the system.
    void disableAll();

    // One-line texts for the popover, dashboard and preferences.
    std::string statusLine() const;
    std::string appModeLabel() const;

signals:
    void isEnabledChanged();
    void limitPercentChanged();
    void forceFullChargeChanged();
    void forceDischargeChanged();
    void statusChanged();
    void detailChanged();
    void backendNameChanged();
    void lastErrorChanged();
    void modeDescriptionChanged();

private:
    void settle(bool write);
    void applyMode(ChargeSMCMode mode, std::optional<ChargeSMCMode> current);
    void followSetting(const std::string& key);
    void readSettings();
    void show(ChargeLimitStatus status, const std::string& modeDescription,
              const std::string& detail);
    void setDetail(const std::string& detail);
    void setLastError(std::optional<std::string> error);
    int wholeLimit() const;

    UserDefaults& defaults_;
    ChargeSMC& smc_;
    ChargeBatteryStateProvider battery_;

    bool isEnabled_ = true;
    double limitPercent_ = 80;
    bool forceFullCharge_ = false;
    bool forceDischarge_ = false;
    ChargeLimitStatus status_ = ChargeLimitStatus::off;
    std::string detail_;
    std::string backendName_;
    std::optional<std::string> lastError_;
    std::string modeDescription_;
    QTimer timer_;
    bool running_ = false;
    bool paced_ = false;
    int hysteresis_ = 2;
    std::optional<ChargeSMCMode> appliedMode_;
};

}  // namespace tarvel
