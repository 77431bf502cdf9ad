#pragma once

#include <QString>
#include <string>
#include <vector>

namespace tarvel {

class PowerStore;
struct ProcEnergy;

// The short texts the dashboard builds from the stores.
namespace DashboardTexts {

// "60% · 1h 05m · Discharging"; "AC" without a battery.
QString batterySummary(const PowerStore& power);
// "steady" below a 1 % drop, else "−7%".
QString whySummary(int dropPercent);
// The first app and its energy label, "—" when nothing is listed.
QString appsSummary(const std::vector<ProcEnergy>& top);
// The build's version with its channel suffix as a word: "v1.2-Beta" → "v1.2 Beta".
QString displayVersion(const std::string& version);

}  // namespace DashboardTexts

}  // namespace tarvel
