#pragma once

#include <QObject>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/PollTimer.h"
#include "drain/ProcEnergy.h"

namespace tarvel {

class PowerStore;
class ProcessEnergyStore;
class LowPowerMode;

// Refresh period while the popover is open, and how late a tick may come, seconds.
inline constexpr double kMenuPanelTick = 0.45;
inline constexpr double kMenuPanelTickTolerance = 0.12;

// Everything one refresh reads from the stores, in one piece.
struct MenuPanelInputs {
    int levelPercent = 0;
    bool levelKnown = true;
    bool isCharging = false;
    bool isOnAC = false;
    bool batteryPresent = false;
    double packageWatts = 0;
    double chargeWatts = 0;
    double cpuDomainWatts = 0;
    double gpuDomainWatts = 0;
    double aneDomainWatts = 0;
    double dramDomainWatts = 0;
    double otherDomainWatts = 0;
    bool hasPowerDistribution = false;
    unsigned powerDomains = 0;
    std::string timeText;
    std::string statusText;
    std::optional<std::int64_t> remainingMinutes;
    bool lowPower = false;
    std::optional<std::int64_t> cycleCount;
    std::optional<std::int64_t> healthPercent;
    std::vector<double> wattHistorySpark;
    std::size_t wattHistoryCount = 0;
    std::vector<ProcEnergy> top;

    static MenuPanelInputs read(const PowerStore& power, const ProcessEnergyStore& energy,
                                const LowPowerMode& lowPower);
};

// What the popover shows, copied from the stores only when a shown value really changed, so the
// popover's views are not redrawn on every poll. Refreshes on a short timer while the popover is
// open and not at all while it is closed.
class MenuPanelModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(int levelPercent READ levelPercent NOTIFY levelPercentChanged)
    Q_PROPERTY(bool levelKnown READ levelKnown NOTIFY levelKnownChanged)
    Q_PROPERTY(bool isCharging READ isCharging NOTIFY isChargingChanged)
    Q_PROPERTY(bool isOnAC READ isOnAC NOTIFY isOnACChanged)
    Q_PROPERTY(bool batteryPresent READ batteryPresent NOTIFY batteryPresentChanged)
    Q_PROPERTY(double packageWatts READ packageWatts NOTIFY packageWattsChanged)
    Q_PROPERTY(double chargeWatts READ chargeWatts NOTIFY chargeWattsChanged)
    Q_PROPERTY(double cpuDomainWatts READ cpuDomainWatts NOTIFY cpuDomainWattsChanged)
    Q_PROPERTY(double gpuDomainWatts READ gpuDomainWatts NOTIFY gpuDomainWattsChanged)
    Q_PROPERTY(double aneDomainWatts READ aneDomainWatts NOTIFY aneDomainWattsChanged)
    Q_PROPERTY(double dramDomainWatts READ dramDomainWatts NOTIFY dramDomainWattsChanged)
    Q_PROPERTY(double otherDomainWatts READ otherDomainWatts NOTIFY otherDomainWattsChanged)
    Q_PROPERTY(
        bool hasPowerDistribution READ hasPowerDistribution NOTIFY hasPowerDistributionChanged)
    Q_PROPERTY(std::string timeDetail READ timeDetail NOTIFY timeDetailChanged)
    Q_PROPERTY(std::string powerSource READ powerSource NOTIFY powerSourceChanged)
    Q_PROPERTY(bool lowPower READ lowPower NOTIFY lowPowerChanged)
    Q_PROPERTY(std::string statusText READ statusText NOTIFY statusTextChanged)
    Q_PROPERTY(std::optional<std::int64_t> cycleCount READ cycleCount NOTIFY cycleCountChanged)
    Q_PROPERTY(
        std::optional<std::int64_t> healthPercent READ healthPercent NOTIFY healthPercentChanged)
    Q_PROPERTY(std::vector<double> spark READ spark NOTIFY sparkChanged)
    Q_PROPERTY(std::string sparkLabel READ sparkLabel NOTIFY sparkLabelChanged)
    Q_PROPERTY(std::vector<tarvel::ProcEnergy> topApps READ topApps NOTIFY topAppsChanged)

public:
    // Change thresholds: watts, watts per sparkline point, watts per app.
    static constexpr double kWattsStep = 0.05;
    static constexpr double kSparkPointStep = 0.15;
    static constexpr double kAppWattsStep = 0.12;
    // Sparklines longer than this many points are thinned to about this many.
    static constexpr std::size_t kSparkPoints = 40;
    static constexpr std::size_t kTopAppCount = 5;
    // Seconds between two watt history entries.
    static constexpr double kHistoryStepSeconds = 6;

    // The stores must outlive the model. `timer` null: a QTimer.
    MenuPanelModel(PowerStore& power, ProcessEnergyStore& energy, LowPowerMode& lowPowerMode,
                   std::shared_ptr<PollTimer> timer = nullptr, QObject* parent = nullptr);
    ~MenuPanelModel() override;

    // The running application's model.
    static MenuPanelModel& shared();

    // The popover opened: refresh now, then every kMenuPanelTick. Does nothing while tracking.
    void startTracking();
    // The popover closed: no more refreshes; the fields keep their values.
    void stopTracking();
    bool isTracking() const { return tracking_; }
    // One copy pass from the stores.
    void refreshNow();
    // One copy pass over values already read.
    void apply(const MenuPanelInputs& in);

    // The sparkline points shown for a store sparkline: every value below 40, else every
    // ⌊n ÷ 40⌋-th one.
    static std::vector<double> downsampleSpark(const std::vector<double>& values);
    // The sparkline's caption for a watt history of `historyCount` entries.
    static std::string sparkLabelFor(std::size_t historyCount);

    int levelPercent() const { return levelPercent_; }
    bool levelKnown() const { return levelKnown_; }
    std::optional<int> level() const {
        return levelKnown_ ? std::optional<int>(levelPercent_) : std::nullopt;
    }
    bool isCharging() const { return isCharging_; }
    bool isOnAC() const { return isOnAC_; }
    bool batteryPresent() const { return batteryPresent_; }
    double packageWatts() const { return packageWatts_; }
    double chargeWatts() const { return chargeWatts_; }
    double cpuDomainWatts() const { return cpuDomainWatts_; }
    double gpuDomainWatts() const { return gpuDomainWatts_; }
    double aneDomainWatts() const { return aneDomainWatts_; }
    double dramDomainWatts() const { return dramDomainWatts_; }
    double otherDomainWatts() const { return otherDomainWatts_; }
    bool hasPowerDistribution() const { return hasPowerDistribution_; }
    unsigned powerDomains() const { return powerDomains_; }
    const std::string& timeDetail() const { return timeDetail_; }
    const std::string& powerSource() const { return powerSource_; }
    bool lowPower() const { return lowPower_; }
    const std::string& statusText() const { return statusText_; }
    std::optional<std::int64_t> cycleCount() const { return cycleCount_; }
    std::optional<std::int64_t> healthPercent() const { return healthPercent_; }
    const std::vector<double>& spark() const { return spark_; }
    const std::string& sparkLabel() const { return sparkLabel_; }
    const std::vector<ProcEnergy>& topApps() const { return topApps_; }

signals:
    void levelPercentChanged();
    void levelKnownChanged();
    void isChargingChanged();
    void isOnACChanged();
    void batteryPresentChanged();
    void packageWattsChanged();
    void chargeWattsChanged();
    void cpuDomainWattsChanged();
    void gpuDomainWattsChanged();
    void aneDomainWattsChanged();
    void dramDomainWattsChanged();
    void otherDomainWattsChanged();
    void hasPowerDistributionChanged();
    void timeDetailChanged();
    void powerSourceChanged();
    void lowPowerChanged();
    void statusTextChanged();
    void cycleCountChanged();
    void healthPercentChanged();
    void sparkChanged();
    void sparkLabelChanged();
    void topAppsChanged();

private:
    void applyRoundedWatts(double& field, double value, void (MenuPanelModel::*changed)());
    void applyWatts(double& field, double value, void (MenuPanelModel::*changed)());
    void applySpark(const std::vector<double>& storeSpark);
    void applyTopApps(const std::vector<ProcEnergy>& top);

    PowerStore& power_;
    ProcessEnergyStore& energy_;
    LowPowerMode& lowPowerMode_;
    std::shared_ptr<PollTimer> timer_;
    bool tracking_ = false;

    int levelPercent_ = 0;
    bool levelKnown_ = false;
    bool isCharging_ = false;
    bool isOnAC_ = false;
    bool batteryPresent_ = false;
    double packageWatts_ = 0;
    double chargeWatts_ = 0;
    double cpuDomainWatts_ = 0;
    double gpuDomainWatts_ = 0;
    double aneDomainWatts_ = 0;
    double dramDomainWatts_ = 0;
    double otherDomainWatts_ = 0;
    bool hasPowerDistribution_ = false;
    unsigned powerDomains_ = 0;
    std::string timeDetail_ = "—";
    std::string powerSource_ = "—";
    bool lowPower_ = false;
    std::string statusText_ = "—";
    std::optional<std::int64_t> cycleCount_;
    std::optional<std::int64_t> healthPercent_;
    std::vector<double> spark_;
    std::string sparkLabel_ = "Power";
    std::vector<ProcEnergy> topApps_;
};

}  // namespace tarvel
