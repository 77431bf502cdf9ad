#include "shell/panel/MenuPanelModel.h"

#include <algorithm>
#include <cmath>

#include "base/Published.h"
#include "base/Rounding.h"
#include "base/SharedInstance.h"
#include "drain/ProcessEnergyStore.h"
#include "platform/LowPowerMode.h"
#include "shell/panel/StatusCopy.h"
#include "telemetry/PowerStore.h"

namespace tarvel {

MenuPanelInputs MenuPanelInputs::read(const PowerStore& power, const ProcessEnergyStore& energy,
                                      const LowPowerMode& lowPower) {
    MenuPanelInputs in;
    in.levelPercent = power.levelPercent();
    in.levelKnown = power.levelKnown();
    in.isCharging = power.isCharging();
    in.isOnAC = power.isOnAC();
    in.batteryPresent = power.batteryPresent();
    in.packageWatts = power.packageWatts();
    in.chargeWatts = power.chargeWatts();
    in.cpuDomainWatts = power.cpuDomainWatts();
    in.gpuDomainWatts = power.gpuDomainWatts();
    in.aneDomainWatts = power.aneDomainWatts();
    in.dramDomainWatts = power.dramDomainWatts();
    in.otherDomainWatts = power.otherDomainWatts();
    in.hasPowerDistribution = power.hasPowerDistribution();
    in.powerDomains = power.powerDomains();
    in.timeText = power.timeText();
    in.statusText = power.statusText();
    in.remainingMinutes = power.remainingMinutes();
    in.lowPower = lowPower.isLowPowerModeEnabled();
    in.cycleCount = power.cycleCount();
    in.healthPercent = power.healthPercent();
    in.wattHistorySpark = power.wattHistorySpark();
    in.wattHistoryCount = power.wattHistory().size();
    const auto& top = energy.top();
    in.top.assign(top.begin(), top.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                 top.size(), MenuPanelModel::kTopAppCount)));
    return in;
}

MenuPanelModel::MenuPanelModel(PowerStore& power, ProcessEnergyStore& energy,
                               LowPowerMode& lowPowerMode, std::shared_ptr<PollTimer> timer,
                               QObject* parent)
    : QObject(parent),
      power_(power),
      energy_(energy),
      lowPowerMode_(lowPowerMode),
      timer_(timer ? std::move(timer) : std::shared_ptr<PollTimer>(makeQtPollTimer())) {}

MenuPanelModel::~MenuPanelModel() {
    timer_->stop();
}

MenuPanelModel& MenuPanelModel::shared() {
    return SharedInstance<MenuPanelModel>::get("MenuPanelModel");
}

void MenuPanelModel::startTracking() {
    if (tracking_) return;
    tracking_ = true;
    refreshNow();
    timer_->start(kMenuPanelTick, kMenuPanelTickTolerance, [this] { refreshNow(); });
}

void MenuPanelModel::stopTracking() {
    tracking_ = false;
    timer_->stop();
}

void MenuPanelModel::refreshNow() {
    apply(MenuPanelInputs::read(power_, energy_, lowPowerMode_));
}

// The shown figure has one decimal, so the store's value counts as moved once its rounded
// figure is 0.05 W away from what is shown; the unrounded value is what gets stored.
void MenuPanelModel::applyRoundedWatts(double& field, double value,
                                       void (MenuPanelModel::*changed)()) {
    const double rounded = static_cast<double>(roundHalfAway(value * 10)) / 10;
    if (std::abs(field - rounded) >= kWattsStep) publish(this, field, value, changed);
}

void MenuPanelModel::applyWatts(double& field, double value, void (MenuPanelModel::*changed)()) {
    if (std::abs(field - value) >= kWattsStep) publish(this, field, value, changed);
}

std::vector<double> MenuPanelModel::downsampleSpark(const std::vector<double>& values) {
    const std::size_t n = values.size();
    const std::size_t stride = n < kSparkPoints ? 1 : n / kSparkPoints;
    std::vector<double> out;
    out.reserve(n / stride + 1);
    for (std::size_t i = 0; i < n; i += stride) out.push_back(values[i]);
    return out;
}

std::string MenuPanelModel::sparkLabelFor(std::size_t historyCount) {
    const double seconds =
        static_cast<double>(std::max<std::size_t>(historyCount, 1)) * kHistoryStepSeconds;
    if (seconds >= 3000) return "Package power draw · last hour";
    if (seconds < 60) return "Package power draw";
    return "Package power draw · last " + std::to_string(static_cast<long long>(seconds / 60)) +
           " min";
}

void MenuPanelModel::applySpark(const std::vector<double>& storeSpark) {
    // An empty history means nothing new was measured: keep showing the last line.
    if (storeSpark.empty()) return;
    std::vector<double> next = downsampleSpark(storeSpark);
    if (next.size() == spark_.size() &&
        std::equal(next.begin(), next.end(), spark_.begin(),
                   [](double a, double b) { return std::abs(a - b) <= kSparkPointStep; })) {
        return;
    }
    spark_ = std::move(next);
    emit sparkChanged();
}

void MenuPanelModel::applyTopApps(const std::vector<ProcEnergy>& top) {
    const std::size_t count = std::min(top.size(), kTopAppCount);
    const auto end = top.begin() + static_cast<std::ptrdiff_t>(count);
    // Only the order, the processes or a visible change of watts matter to the list.
    if (count == topApps_.size() &&
        std::equal(top.begin(), end, topApps_.begin(),
                   [](const ProcEnergy& a, const ProcEnergy& b) {
                       return a.id == b.id &&
                              std::abs(a.estimatedWatts - b.estimatedWatts) <= kAppWattsStep;
                   })) {
        return;
    }
    topApps_.assign(top.begin(), end);
    emit topAppsChanged();
}

void MenuPanelModel::apply(const MenuPanelInputs& in) {
    publish(this, levelKnown_, in.levelKnown, &MenuPanelModel::levelKnownChanged);
    publish(this, levelPercent_, in.levelPercent, &MenuPanelModel::levelPercentChanged);
    publish(this, isCharging_, in.isCharging, &MenuPanelModel::isChargingChanged);
    publish(this, isOnAC_, in.isOnAC, &MenuPanelModel::isOnACChanged);
    publish(this, batteryPresent_, in.batteryPresent, &MenuPanelModel::batteryPresentChanged);

    applyRoundedWatts(packageWatts_, in.packageWatts, &MenuPanelModel::packageWattsChanged);
    applyRoundedWatts(chargeWatts_, in.chargeWatts, &MenuPanelModel::chargeWattsChanged);

    applyWatts(cpuDomainWatts_, in.cpuDomainWatts, &MenuPanelModel::cpuDomainWattsChanged);
    applyWatts(gpuDomainWatts_, in.gpuDomainWatts, &MenuPanelModel::gpuDomainWattsChanged);
    applyWatts(aneDomainWatts_, in.aneDomainWatts, &MenuPanelModel::aneDomainWattsChanged);
    applyWatts(dramDomainWatts_, in.dramDomainWatts, &MenuPanelModel::dramDomainWattsChanged);
    applyWatts(otherDomainWatts_, in.otherDomainWatts, &MenuPanelModel::otherDomainWattsChanged);

    publish(this, powerDomains_, in.powerDomains, &MenuPanelModel::hasPowerDistributionChanged);
    publish(this, hasPowerDistribution_, in.hasPowerDistribution,
            &MenuPanelModel::hasPowerDistributionChanged);

    PowerFacts facts;
    facts.batteryPresent = in.batteryPresent;
    facts.levelPercent = in.levelPercent;
    facts.isCharging = in.isCharging;
    facts.isOnAC = in.isOnAC;
    facts.packageWatts = in.packageWatts;
    facts.timeText = in.timeText;
    facts.statusText = in.statusText;
    facts.remainingMinutes = in.remainingMinutes;
    publish(this, timeDetail_, TarvelStatusCopy::timeDetail(facts),
            &MenuPanelModel::timeDetailChanged);
    publish(this, powerSource_, TarvelStatusCopy::powerSourceLine(facts),
            &MenuPanelModel::powerSourceChanged);
    publish(this, lowPower_, in.lowPower, &MenuPanelModel::lowPowerChanged);
    publish(this, statusText_, in.statusText, &MenuPanelModel::statusTextChanged);
    publish(this, cycleCount_, in.cycleCount, &MenuPanelModel::cycleCountChanged);
    publish(this, healthPercent_, in.healthPercent, &MenuPanelModel::healthPercentChanged);

    applySpark(in.wattHistorySpark);
    publish(this, sparkLabel_, sparkLabelFor(in.wattHistoryCount),
            &MenuPanelModel::sparkLabelChanged);
    applyTopApps(in.top);
}

}  // namespace tarvel
