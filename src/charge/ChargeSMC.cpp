#include "charge/ChargeSMC.h"

#include <stdexcept>

#include "base/SharedInstance.h"
#include "charge/ChargeTexts.h"

namespace tarvel {

namespace {

constexpr std::array<std::string_view, 3> kKeys{"CH0I", "CH0C", "CH0B"};

// A failed key write: domain "SMC", the call's status as code, and the text to show.
struct SMCError : std::runtime_error {
    SMCError(std::int32_t status, const std::string& description)
        : std::runtime_error(description), code(status) {}
    const char* domain = charge_texts::kErrorDomain;
    std::int32_t code;
};

}  // namespace

const char* rawName(ChargeSMCMode mode) {
    switch (mode) {
        case ChargeSMCMode::auto_:
            return "auto";
        case ChargeSMCMode::inhibit:
            return "inhibit";
        case ChargeSMCMode::forceDischarge:
            return "forceDischarge";
    }
    return "auto";
}

ChargeSMC::ChargeSMC(ChargerTransport& transport) : transport_(transport) {
    const auto opened = transport_.open();
    if (!opened.serviceFound) {
        lastError_ = charge_texts::kSMCNotFound;
        return;
    }
    if (opened.status != kIOReturnSuccess) {
        lastError_ =
            "IOServiceOpen failed (" + std::to_string(opened.status) + ") — not privileged?";
        return;
    }
    connection_ = opened.connection;
    isAvailable_ = true;
}

ChargeSMC& ChargeSMC::shared() {
    return SharedInstance<ChargeSMC>::get("ChargeSMC");
}

std::array<std::uint8_t, 3> ChargeSMC::keyValues(ChargeSMCMode mode) {
    switch (mode) {
        case ChargeSMCMode::auto_:
            return {0, 0, 0};
        case ChargeSMCMode::inhibit:
            return {0, 2, 2};
        case ChargeSMCMode::forceDischarge:
            return {1, 0, 0};
    }
    return {0, 0, 0};
}

SmcParamBlock ChargeSMC::writeBlock(std::string_view key, std::uint8_t value) {
    SmcParamBlock block;
    block.setU32(SmcParamBlock::kKey, smcKeyValue(key));
    block.setU32(SmcParamBlock::kDataSize, 1);
    block.bytes[SmcParamBlock::kCommand] = kSMCWriteKey;
    block.bytes[SmcParamBlock::kBytes] = value;
    return block;
}

SmcParamBlock ChargeSMC::readBlock(std::string_view key) {
    SmcParamBlock block;
    block.setU32(SmcParamBlock::kKey, smcKeyValue(key));
    block.setU32(SmcParamBlock::kDataSize, 1);
    block.bytes[SmcParamBlock::kCommand] = kSMCReadKey;
    return block;
}

std::optional<std::uint8_t> ChargeSMC::readUInt8(std::string_view key) {
    SmcParamBlock output;
    const std::int32_t status =
        transport_.callStructMethod(connection_, kSMCHandleYPCEvent, readBlock(key), output);
    if (status != kIOReturnSuccess || output.bytes[SmcParamBlock::kResult] != kSMCSuccess)
        return std::nullopt;
    return output.bytes[SmcParamBlock::kBytes];
}

std::optional<ChargeSMCMode> ChargeSMC::readMode() {
    if (!isAvailable_ || connection_ == 0) return std::nullopt;
    std::array<std::uint8_t, 3> values{};
    for (size_t i = 0; i < kKeys.size(); ++i) {
        const auto v = readUInt8(kKeys[i]);
        if (!v) return std::nullopt;
        values[i] = *v;
    }
    for (const auto mode :
         {ChargeSMCMode::auto_, ChargeSMCMode::inhibit, ChargeSMCMode::forceDischarge})
        if (keyValues(mode) == values) return mode;
    return std::nullopt;
}

void ChargeSMC::writeUInt8(std::string_view key, std::uint8_t value) {
    const SmcParamBlock input = writeBlock(key, value);
    SmcParamBlock output;
    const std::int32_t status =
        transport_.callStructMethod(connection_, kSMCHandleYPCEvent, input, output);
    const std::uint8_t result = output.bytes[SmcParamBlock::kResult];
    if (status == kIOReturnSuccess && result == 0) return;
    // A charger that can say what went wrong in words (the attribute and the system's reason)
    // is more use to the user than the codes.
    if (auto text = transport_.failureText()) throw SMCError(status, *text);
    if (status == kIOReturnNotPrivileged) throw SMCError(status, charge_texts::kNotPrivileged);
    throw SMCError(status, "Charge control error " + std::to_string(status) + "/" +
                               std::to_string(unsigned(result)) + " for the charger attribute");
}

bool ChargeSMC::setMode(ChargeSMCMode mode) {
    if (!isAvailable_ || connection_ == 0) {
        lastError_ = charge_texts::kSMCUnavailable;
        return false;
    }
    if (mode == ChargeSMCMode::forceDischarge) {
        if (auto why = whyNoDischarge()) {
            lastError_ = std::move(why);
            return false;
        }
    }
    const auto values = keyValues(mode);
    try {
        for (size_t i = 0; i < kKeys.size(); ++i) writeUInt8(kKeys[i], values[i]);
    } catch (const SMCError& e) {
        lastError_ = e.what();
        // Never leave the charger half-way between two modes.
        for (const auto key : kKeys) {
            try {
                writeUInt8(key, 0);
            } catch (const SMCError&) {
            }
        }
        return false;
    }
    lastError_.reset();
    return true;
}

}  // namespace tarvel
