#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ChargerTransport.h"

namespace tarvel {

// The charger modes, in their fixed order. `auto` is a C++ keyword, hence `auto_`.
enum class ChargeSMCMode { auto_, inhibit, forceDischarge };

// "auto", "inhibit", "forceDischarge".
const char* rawName(ChargeSMCMode mode);

// The one component that changes how the machine charges: writes the three one-byte charger
// keys CH0I, CH0C and CH0B, in that order, through the charger transport, and keeps the last
// failure in words. Main thread only.
class ChargeSMC {
public:
    // Finds and opens the charger once; an unavailable charger stays unavailable for the
    // life of this object (it is never reopened).
    explicit ChargeSMC(ChargerTransport& transport);
    ChargeSMC(const ChargeSMC&) = delete;
    ChargeSMC& operator=(const ChargeSMC&) = delete;

    // The running application core's charger.
    static ChargeSMC& shared();

    bool isAvailable() const { return isAvailable_; }
    const std::optional<std::string>& lastError() const { return lastError_; }

    // Writes the mode's three keys, stopping at the first failure; a failure resets all three
    // keys to 0 (ignoring their errors) and keeps the failure's text in lastError(). A discharge
    // the charger cannot do fails before anything is written.
    bool setMode(ChargeSMCMode mode);
    // The mode the charger is in now, read back from its three keys; none when it cannot be
    // read or the keys form no mode (batteries that disagree, another tool's setting).
    std::optional<ChargeSMCMode> readMode();

    // The level inhibit is to hold, for chargers that stop at a level rather than where the
    // battery is (a charge threshold); it also decides what reads back as inhibit.
    void setHoldLimit(int percent) { transport_.setHoldLimit(percent); }
    // What carries the keys on this machine ("BAT0: charge_control_end_threshold"); empty when
    // the backend's name says it all.
    std::string transportDetail() const { return transport_.detail(); }
    // Why this charger cannot discharge on the adapter; none when it can.
    std::optional<std::string> whyNoDischarge() const {
        return isAvailable_ ? transport_.whyNoDischarge() : std::nullopt;
    }
    // What the charger holds, in words, when readMode() finds no mode in it.
    std::string stateText() { return isAvailable_ ? transport_.stateText() : std::string(); }
    // Set when the firmware holds a level of its own rather than the limit.
    std::optional<ChargerTransport::FirmwareLevel> firmwareLevel() const {
        return isAvailable_ ? transport_.firmwareLevel() : std::nullopt;
    }

    // The (CH0I, CH0C, CH0B) values of a mode.
    static std::array<std::uint8_t, 3> keyValues(ChargeSMCMode mode);
    // The input block of a one-byte key write.
    static SmcParamBlock writeBlock(std::string_view key, std::uint8_t value);
    // The input block of a one-byte key read.
    static SmcParamBlock readBlock(std::string_view key);

private:
    void writeUInt8(std::string_view key, std::uint8_t value);
    std::optional<std::uint8_t> readUInt8(std::string_view key);

    bool isAvailable_ = false;
    std::optional<std::string> lastError_;
    std::uint32_t connection_ = 0;
    ChargerTransport& transport_;
};

}  // namespace tarvel
