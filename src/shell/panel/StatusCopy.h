#pragma once

#include <string>
#include <vector>

#include "drain/ProcEnergy.h"
#include "shell/panel/PowerFacts.h"

namespace tarvel {

class PowerStore;
class ProcessEnergyStore;

// The short lines the popover and the dashboard show for the current power state.
namespace TarvelStatusCopy {

// "Power Adapter" whenever the machine runs from the adapter (or has no battery), else "Battery".
std::string powerSourceLine(const PowerFacts& power);
// What the time slot says: the estimate, "Fully Charged", or the status on AC.
std::string timeDetail(const PowerFacts& power);
// Where the power comes from, with the package watts.
std::string onBatteryLine(const PowerFacts& power);
// The leading app and its energy, or "None".
std::string topAppLine(const std::vector<ProcEnergy>& top);
std::string energyModeLine(bool lowPower);

std::string powerSourceLine(const PowerStore& power);
std::string timeDetail(const PowerStore& power);
std::string onBatteryLine(const PowerStore& power);
std::string topAppLine(const ProcessEnergyStore& energy);

}  // namespace TarvelStatusCopy

}  // namespace tarvel
