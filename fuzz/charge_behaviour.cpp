// The `charge_behaviour` attribute: "[auto] inhibit-charge force-discharge" or one word.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/linux/SysfsChargerTransport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto b =
        tarvel::parseChargeBehaviour(std::string(reinterpret_cast<const char*>(data), size));
    // The active value is always one the attribute takes, and so is every listed one.
    if (b.active && !b.accepts(*b.active)) std::abort();
    for (const auto& value : b.accepted)
        if (!b.accepts(value)) std::abort();
    return 0;
}
