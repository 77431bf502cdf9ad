// Kernel attribute texts: integers (charge, energy, voltage) and CPU lists ("0-3,8").
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/linux/SysfsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (const auto v = tarvel::parseSysfsInteger(text); v && (*v > 10'000'000'000'000 ||
                                                              *v < -10'000'000'000'000))
        std::abort();  // the parser promises to refuse anything larger
    if (const auto n = tarvel::countCpuList(text); n && *n < 0) std::abort();
    return 0;
}
