// The text of `ioreg -rn AppleSmartBattery`.
#include <cstdint>
#include <string>

#include "telemetry/CommandLineReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tarvel::parseIoregText(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
