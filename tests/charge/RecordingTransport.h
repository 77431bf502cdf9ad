#pragma once

#include <map>
#include <vector>

#include "platform/ChargerTransport.h"

namespace tarvel::test {

inline constexpr std::uint32_t kCH0I = 0x43483049, kCH0C = 0x43483043, kCH0B = 0x43483042;

// A charger that records every write and answers as told, per key. Reads answer with the
// last value written to the key (a write the answer refused does not count); a key never
// written reads as unknown, as a charger left in another tool's state would.
class RecordingTransport final : public ChargerTransport {
public:
    struct Answer {
        std::int32_t status = kIOReturnSuccess;
        std::uint8_t result = 0;
        int times = -1;  // how many calls get this answer; -1: all of them
    };

    OpenResult openResult{true, kIOReturnSuccess, 0x1234};
    int opens = 0;
    std::vector<std::pair<std::uint32_t, int>> writes;  // (key, value), in order
    bool readable = true;  // false: a charger whose keys cannot be read back
    std::map<std::uint32_t, Answer> answers;
    std::map<std::uint32_t, int> state;  // what each key holds now

    // Puts the charger in a mode behind the controller's back: (CH0I, CH0C, CH0B).
    void setState(int ch0i, int ch0c, int ch0b) {
        state = {{kCH0I, ch0i}, {kCH0C, ch0c}, {kCH0B, ch0b}};
    }

    OpenResult open() override {
        ++opens;
        return openResult;
    }
    std::int32_t callStructMethod(std::uint32_t, std::uint32_t, const SmcParamBlock& input,
                                  SmcParamBlock& output) override {
        output = SmcParamBlock{};
        const std::uint32_t key = input.u32(SmcParamBlock::kKey);
        if (input.bytes[SmcParamBlock::kCommand] == kSMCReadKey) {
            if (!readable) return kIOReturnError;
            auto held = state.find(key);
            if (held == state.end()) {
                output.bytes[SmcParamBlock::kResult] = kSMCKeyNotFound;
                return kIOReturnSuccess;
            }
            output.bytes[SmcParamBlock::kBytes] = std::uint8_t(held->second);
            return kIOReturnSuccess;
        }
        writes.emplace_back(key, input.bytes[SmcParamBlock::kBytes]);
        auto it = answers.find(key);
        if (it == answers.end() || it->second.times == 0) {
            state[key] = input.bytes[SmcParamBlock::kBytes];
            return kIOReturnSuccess;
        }
        if (it->second.times > 0) --it->second.times;
        output.bytes[SmcParamBlock::kResult] = it->second.result;
        if (it->second.status == kIOReturnSuccess && it->second.result == kSMCSuccess)
            state[key] = input.bytes[SmcParamBlock::kBytes];
        return it->second.status;
    }
};

}  // namespace tarvel::test
