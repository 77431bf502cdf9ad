#pragma once

#include <map>
#include <vector>

#include "platform/ChargerTransport.h"

namespace tarvel::test {

// A charger that records every call and answers as told, per key.
class RecordingTransport final : public ChargerTransport {
public:
    struct Call {
        std::uint32_t connection, selector;
        SmcParamBlock input;
        std::uint32_t key() const { return input.u32(SmcParamBlock::kKey); }
        int value() const { return input.bytes[SmcParamBlock::kBytes]; }
    };
    struct Answer {
        std::int32_t status = kIOReturnSuccess;
        std::uint8_t result = 0;
        int times = -1;  // how many calls get this answer; -1: all of them
    };

    OpenResult openResult{true, kIOReturnSuccess, 0x1234};
    int opens = 0;
    std::vector<Call> calls;
    std::map<std::uint32_t, Answer> answers;

    OpenResult open() override {
        ++opens;
        return openResult;
    }
    std::int32_t callStructMethod(std::uint32_t connection, std::uint32_t selector,
                                  const SmcParamBlock& input, SmcParamBlock& output) override {
        calls.push_back({connection, selector, input});
        output = SmcParamBlock{};
        auto it = answers.find(input.u32(SmcParamBlock::kKey));
        if (it == answers.end() || it->second.times == 0) return kIOReturnSuccess;
        if (it->second.times > 0) --it->second.times;
        output.bytes[SmcParamBlock::kResult] = it->second.result;
        return it->second.status;
    }

    // The (key, value) pairs written, in order.
    std::vector<std::pair<std::uint32_t, int>> writes() const {
        std::vector<std::pair<std::uint32_t, int>> w;
        for (const auto& c : calls) w.emplace_back(c.key(), c.value());
        return w;
    }
};

inline constexpr std::uint32_t kCH0I = 0x43483049, kCH0C = 0x43483043, kCH0B = 0x43483042;

}  // namespace tarvel::test
