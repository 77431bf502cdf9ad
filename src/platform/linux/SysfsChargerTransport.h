#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/ChargerTransport.h"
#include "platform/linux/ChargeThresholds.h"
#include "platform/linux/SysfsAttributeIO.h"

namespace tarvel {

// What a `charge_behaviour` attribute says: the accepted values with the active one in
// brackets ("[auto] inhibit-charge force-discharge"), or on older kernels just the active one.
struct ChargeBehaviour {
    std::optional<std::string> active;
    std::vector<std::string> accepted;  // empty when the kernel does not list them
    bool accepts(const std::string& value) const;
};
ChargeBehaviour parseChargeBehaviour(const std::string& text);

// The charger on Linux, over every system battery under <sysRoot>/class/power_supply
// (peripheral batteries are not ours to drive). Each battery is driven through its
// `charge_behaviour` attribute when that offers "inhibit-charge" (exact modes), otherwise
// through its charge thresholds (see ChargeThresholds) when it has an end threshold; Dell's
// thresholds act only while `charge_types` is "Custom", so there inhibit selects it and auto
// puts back the type from before. Laptops whose batteries have none of these are driven
// through their vendor driver's switch: ideapad_acpi's `conservation_mode`, samsung-laptop's
// `battery_life_extender` or sony-laptop's `battery_care_limiter`.
//
// The three charger keys arrive one write at a time, always in the order CH0I, CH0C, CH0B.
// The transport keeps the last value of each and acts when CH0B arrives, which completes a
// mode: (CH0I, CH0C, CH0B) = (0,0,0) → "auto", (0,2,2) → "inhibit-charge",
// (1,0,0) → "force-discharge". CH0I and CH0C writes only record their value, so a mode is
// written to the batteries once, and the all-zero reset always ends in "auto".
//
// A key read answers from what the batteries say now (the active behaviour, or the end
// threshold against the hold limit), so a mode or threshold changed behind the application's
// back is seen. Batteries that disagree, or a state that is no mode, read as an unknown state
// (result kSMCBadArgument).
//
// What inhibit replaced (a start threshold in the way, Dell's charge type) is kept in the
// file at `memoryPath` when one is given, so that auto puts it back after a restart too.
class SysfsChargerTransport final : public ChargerTransport {
public:
    explicit SysfsChargerTransport(std::string sysRoot = "/sys",
                                   SysfsAttributeIO& io = SysfsAttributeIO::posix(),
                                   std::string memoryPath = {});

    OpenResult open() override;
    std::int32_t callStructMethod(std::uint32_t connection, std::uint32_t selector,
                                  const SmcParamBlock& input, SmcParamBlock& output) override;

    void setHoldLimit(int percent) override { holdLimit_ = percent; }
    // One "<battery>: <attribute>" per battery found by open(), joined by "; ".
    std::string detail() const override;
    std::optional<std::string> failureText() const override { return failureText_; }
    std::optional<std::string> whyNoDischarge() const override;
    std::string stateText() override;
    std::optional<FirmwareLevel> firmwareLevel() const override;

    // The attribute driving each battery found by open(), in name order: its
    // `charge_behaviour`, its end threshold, or the vendor switch.
    std::vector<std::string> attributePaths() const;

    // The attribute value a key triple stands for; nullopt for a triple that is no mode.
    static std::optional<std::string> behaviourFor(int ch0i, int ch0c, int ch0b);

private:
    struct Result {
        std::int32_t status = kIOReturnSuccess;
        std::uint8_t smcResult = kSMCSuccess;
    };
    // A vendor driver's one switch: `off` for auto, onValue(limit) for inhibit.
    struct VendorSwitch {
        std::vector<int> levels;             // what the attribute takes besides off
        std::optional<int> firmwarePercent;  // the level a 0/1 switch holds, when known
    };
    struct Battery {
        std::string name;  // the battery, or the vendor driver
        std::string path;  // charge_behaviour, charge_types or the vendor switch
        std::optional<ChargeThresholds> thresholds;
        bool chargeTypes = false;
        std::optional<VendorSwitch> vendor;
        std::string attribute() const { return path.substr(path.rfind('/') + 1); }
        bool byBehaviour() const { return !thresholds && !vendor; }
    };
    static Result resultOf(int error);
    Result writeBehaviour(const std::string& value);
    Result writeBehaviourAt(const std::string& path, const std::string& value);
    Result applyThresholds(Battery& battery, const std::string& value);
    Result writeChargeTypes(Battery& battery, const std::string& value);
    Result writeVendor(const Battery& battery, const std::string& value);
    Result refused(const std::string& path, int error);
    std::optional<std::string> modeOf(const Battery& battery);
    Result readKey(std::uint32_t key, std::uint8_t& value);
    void findVendorSwitch();
    int vendorValue(const VendorSwitch& v) const;
    void loadMemory();
    void saveMemory();

    std::string root_;
    SysfsAttributeIO& io_;
    std::string memoryPath_;
    std::map<std::string, std::string> memory_;
    std::vector<Battery> batteries_;
    // The values each attribute listed when last seen listing them; the set a driver takes
    // does not change while it is loaded.
    std::map<std::string, std::vector<std::string>> accepted_;
    std::uint32_t connection_ = 0;
    int ch0i_ = -1, ch0c_ = -1;  // -1: not written since the last completed mode
    int holdLimit_ = 80;         // the controller's own default until it says otherwise
    std::optional<std::string> failureText_;
};

}  // namespace tarvel
