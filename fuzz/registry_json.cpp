// The registry entry and power-source list that `snapshot --registry/--power-sources` read.
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string_view>

#include "base/JsonInput.h"
#include "platform/RegistryJson.h"
#include "telemetry/RegistryReaders.h"

using namespace tarvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!jsonNestingWithin(text)) return 0;
    const auto j = nlohmann::json::parse(text, nullptr, false);
    if (j.is_discarded()) return 0;

    const auto value = regValueFromJson(j);
    if (value && value->dict()) {
        const RegDict& entry = *value->dict();
        readSmartBattery(&entry);
        readGauge(&entry);
        readTelemetry(&entry);
    }
    if (j.is_array()) {
        std::optional<std::vector<std::optional<RegDict>>> sources{std::in_place};
        for (const auto& item : j) {
            auto v = regValueFromJson(item);
            if (v && v->dict())
                sources->push_back(*v->dict());
            else
                sources->push_back(std::nullopt);
        }
        readIOPS(sources);
    }
    return 0;
}
