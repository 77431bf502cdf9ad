#pragma once

#include <string>

#include "platform/CommandRunner.h"
#include "telemetry/BatteryModel.h"

namespace tarvel {

// The readers that run the system's battery tools and parse their text.
inline constexpr const char* kIoregPath = "/usr/sbin/ioreg";
inline constexpr const char* kPmsetPath = "/usr/bin/pmset";

BatSourceReading readBatteryIoreg(CommandRunner& runner);
BatSourceReading readBatteryPmset(CommandRunner& runner);

// The parsers alone, for captured output.
BatSourceReading parseIoregText(const std::string& text);
BatSourceReading parsePmsetText(const std::string& text);

}  // namespace tarvel
