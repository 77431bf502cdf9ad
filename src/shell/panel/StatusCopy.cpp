#include "shell/panel/StatusCopy.h"

#include "base/Format.h"
#include "drain/ProcessEnergyStore.h"
#include "shell/panel/EnergyLabel.h"
#include "telemetry/PowerStore.h"

namespace tarvel {

PowerFacts PowerFacts::of(const PowerStore& store) {
    PowerFacts f;
    f.batteryPresent = store.batteryPresent();
    f.levelPercent = store.levelPercent();
    f.isCharging = store.isCharging();
    f.isOnAC = store.isOnAC();
    f.packageWatts = store.packageWatts();
    f.timeText = store.timeText();
    f.statusText = store.statusText();
    f.remainingMinutes = store.remainingMinutes();
    return f;
}

std::string kivoEnergyLabel(double cpuPercent) {
    if (cpuPercent >= 80) return "High";
    if (cpuPercent >= 25) return "Moderate";
    return "Low";
}

std::string energyLabel(double cpuPercent, double estimatedWatts) {
    if (estimatedWatts >= 0.08) {
        const int decimals = estimatedWatts >= 10 ? 0 : (estimatedWatts >= 1 ? 1 : 2);
        return formatFixed(estimatedWatts, decimals) + " W";
    }
    return kivoEnergyLabel(cpuPercent);
}

namespace TarvelStatusCopy {

std::string powerSourceLine(const PowerFacts& power) {
    if (!power.batteryPresent || power.isCharging || power.isOnAC) return "Power Adapter";
    return "Battery";
}

std::string timeDetail(const PowerFacts& power) {
    if (!power.batteryPresent) return "AC power";
    if (power.isCharging) return power.timeText;
    if (power.isOnAC) return power.levelPercent > 99 ? "Fully Charged" : power.statusText;
    return power.timeText;
}

std::string onBatteryLine(const PowerFacts& power) {
    if (!power.batteryPresent) return "Desktop · AC only";
    const std::string watts = formatFixed(power.packageWatts, 1) + " W";
    if (power.isCharging) return "Charging · package " + watts;
    if (power.isOnAC) {
        if (power.levelPercent >= 100) return "Fully Charged · package " + watts;
        return "On Adapter · package " + watts;
    }
    return "On Battery · package " + watts;
}

std::string topAppLine(const std::vector<ProcEnergy>& top) {
    if (top.empty()) return "None";
    const ProcEnergy& first = top.front();
    return first.name + " · " + energyLabel(first.cpuPercent, first.estimatedWatts);
}

std::string energyModeLine(bool lowPower) {
    return lowPower ? "Low Power On" : "Low Power Off";
}

std::string powerSourceLine(const PowerStore& power) {
    return powerSourceLine(PowerFacts::of(power));
}
std::string timeDetail(const PowerStore& power) {
    return timeDetail(PowerFacts::of(power));
}
std::string onBatteryLine(const PowerStore& power) {
    return onBatteryLine(PowerFacts::of(power));
}
std::string topAppLine(const ProcessEnergyStore& energy) {
    return topAppLine(energy.top());
}

}  // namespace TarvelStatusCopy

}  // namespace tarvel
