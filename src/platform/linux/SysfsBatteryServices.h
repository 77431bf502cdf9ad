#pragma once

#include <string>

#include "platform/BatteryServices.h"

namespace tarvel {

// The battery services of a Linux machine, built from <sysRoot>/class/power_supply: the system
// batteries (peripherals such as a mouse are ignored) become one registry entry and one
// power-source description, in the units and keys the battery readers expect.
//
// Several system batteries (some ThinkPads have two) are combined into one, as the desktop's
// own battery indicator does: charges and currents add up, the level is the combined charge
// over the combined capacity, and per-battery time estimates are left out.
class SysfsBatteryServices final : public BatteryServices {
public:
    explicit SysfsBatteryServices(std::string sysRoot = "/sys") : root_(std::move(sysRoot)) {}
    BatteryServiceSnapshot copyBatteryServices() override;

private:
    std::string root_;
};

}  // namespace tarvel
