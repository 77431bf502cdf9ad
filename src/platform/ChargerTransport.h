#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvel {

// IOKit return codes the charger path speaks, as signed 32-bit values (as they print).
inline constexpr std::int32_t kIOReturnSuccess = 0;
inline constexpr std::int32_t kIOReturnError = static_cast<std::int32_t>(0xE00002BCu);
inline constexpr std::int32_t kIOReturnNoDevice = static_cast<std::int32_t>(0xE00002C0u);
inline constexpr std::int32_t kIOReturnNotPrivileged = static_cast<std::int32_t>(0xE00002C1u);
inline constexpr std::int32_t kIOReturnBadArgument = static_cast<std::int32_t>(0xE00002C2u);

// SMC result codes carried in the result byte of the output block.
inline constexpr std::uint8_t kSMCSuccess = 0x00;
inline constexpr std::uint8_t kSMCKeyNotFound = 0x84;
inline constexpr std::uint8_t kSMCBadArgument = 0x89;

// The user client's struct-call selector for key reads and writes, and its two commands.
inline constexpr std::uint32_t kSMCHandleYPCEvent = 2;
inline constexpr std::uint8_t kSMCReadKey = 5;
inline constexpr std::uint8_t kSMCWriteKey = 6;

// The 80-byte SMC parameter block, used for both the input and the output of a call.
// Multi-byte fields are little-endian; these are the byte offsets of the fields this code uses.
struct SmcParamBlock {
    static constexpr std::size_t kSize = 80;
    static constexpr std::size_t kKey = 0;        // 4 bytes
    static constexpr std::size_t kDataSize = 28;  // key info: 4 bytes
    static constexpr std::size_t kDataType = 32;  // key info: 4 bytes
    static constexpr std::size_t kDataAttributes = 36;
    static constexpr std::size_t kResult = 40;
    static constexpr std::size_t kStatus = 41;
    static constexpr std::size_t kCommand = 42;
    static constexpr std::size_t kData32 = 44;  // 4 bytes
    static constexpr std::size_t kBytes = 48;   // 32 bytes

    std::array<std::uint8_t, kSize> bytes{};

    std::uint32_t u32(std::size_t offset) const {
        return std::uint32_t(bytes[offset]) | std::uint32_t(bytes[offset + 1]) << 8 |
               std::uint32_t(bytes[offset + 2]) << 16 | std::uint32_t(bytes[offset + 3]) << 24;
    }
    void setU32(std::size_t offset, std::uint32_t v) {
        for (std::size_t i = 0; i < 4; ++i) bytes[offset + i] = std::uint8_t(v >> (8 * i));
    }
    bool operator==(const SmcParamBlock&) const = default;
};

// A four-character SMC key as a number, first character in the most significant byte
// ("CH0I" = 0x43483049). Anything but four characters has no key value (0).
constexpr std::uint32_t smcKeyValue(std::string_view key) {
    if (key.size() != 4) return 0;
    std::uint32_t v = 0;
    for (char c : key) v = v << 8 | static_cast<std::uint8_t>(c);
    return v;
}

// The charger's access path, shaped like the SMC user client: find and open the service
// once, then struct calls that take an input block and fill an output block.
class ChargerTransport {
public:
    struct OpenResult {
        bool serviceFound = false;
        std::int32_t status = kIOReturnSuccess;  // of the open, when the service was found
        std::uint32_t connection = 0;            // non-zero once open
    };

    virtual ~ChargerTransport() = default;
    virtual OpenResult open() = 0;
    // Returns the call's status; the SMC's own result is in output.bytes[kResult].
    virtual std::int32_t callStructMethod(std::uint32_t connection, std::uint32_t selector,
                                          const SmcParamBlock& input, SmcParamBlock& output) = 0;

    // The level an inhibited charger is to stop at. The SMC's inhibit mode stops charging
    // wherever the battery is; a charge threshold stops at a level, so it needs to know which.
    virtual void setHoldLimit(int /*percent*/) {}
    // What carries the keys on this machine, for diagnosis ("BAT0: charge_behaviour"); empty
    // when there is nothing to add to the backend's name.
    virtual std::string detail() const { return {}; }
    // Why the last call failed, when the hardware said more than a status code can carry
    // ("the firmware set 80 % for 85 %"); none for any other outcome.
    virtual std::optional<std::string> failureText() const { return std::nullopt; }
    // Why the charger cannot run the machine from the battery on the adapter; none when it
    // can. Asked before a discharge is written, so a charger that cannot is never touched.
    virtual std::optional<std::string> whyNoDischarge() const { return std::nullopt; }
    // What the charger holds when its state is no mode ("end threshold 85 %"); empty when it
    // cannot say.
    virtual std::string stateText() { return {}; }
    // The level the firmware itself holds when it stops charging at a level of its own (an
    // 80 % switch): set, with `percent` when the firmware's level is known.
    struct FirmwareLevel {
        std::optional<int> percent;
        bool fixed = true;  // false: the level follows the limit, in the driver's steps
    };
    virtual std::optional<FirmwareLevel> firmwareLevel() const { return std::nullopt; }
};

}  // namespace tarvel
