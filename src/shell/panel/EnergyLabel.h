#pragma once

#include <string>

namespace tarvel {

// How much energy one app uses, in a word or in watts: its watts once they are worth showing
// (0.08 W and up), otherwise a word from its CPU share.
std::string energyLabel(double cpuPercent, double estimatedWatts);
// The word alone: "High" from 80 % CPU, "Moderate" from 25 %, else "Low".
std::string kivoEnergyLabel(double cpuPercent);

}  // namespace tarvel
