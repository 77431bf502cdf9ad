#pragma once

#include <string>

#include "shell/panel/PowerFacts.h"

namespace tarvel {

class PowerStore;
struct WhyDrain;

// The texts several views share, and the short phrases chosen from the battery state.
namespace TarvelCopy {

inline constexpr const char* fullWindow = "Full Window";
inline constexpr const char* customize = "Customize…";
inline constexpr const char* preferences = "Preferences…";
inline constexpr const char* batteryMenu = "Battery Menu";
inline constexpr const char* powerDraw = "Package power draw";
inline constexpr const char* whatsUsingPower = "What’s using power";
inline constexpr const char* whyBatteryDropped = "Why did battery drop?";
inline constexpr const char* useTarvelAsBattery = "Use Tarvel as the battery icon";
inline constexpr const char* nothingHeavy = "Nothing heavy running right now";
inline constexpr const char* whyCold =
    "Keep Tarvel open for about 15 minutes so it can learn your drain pattern.";
inline constexpr const char* estimatingTime = "Estimating time left…";
inline constexpr const char* doubleClickHint = "Double-click the tray icon for the full window";
inline constexpr const char* localOnly = "Local only · no telemetry";
inline constexpr const char* clickMenuDoubleWindow = "Click: menu · Double-click: full window";

// One or two words for the battery state; on battery, a drop of more than 4 % in the why-drain
// window reads as "Draining fast".
std::string statusChip(const PowerFacts& power, int dropPercent);
std::string statusChip(const PowerStore& power, int dropPercent);
std::string statusChip(const PowerStore& power, const WhyDrain& why);
// The time left (or to full) in words, saying so while it is still being estimated.
std::string friendlyTime(const PowerFacts& power);
std::string friendlyTime(const PowerStore& power);

}  // namespace TarvelCopy

}  // namespace tarvel
