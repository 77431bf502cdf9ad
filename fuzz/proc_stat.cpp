// /proc/<pid>/stat, whose second field is a name the process chose itself, and the DRM fdinfo
// of a process's GPU clients (drivers differ in what they write there).
#include <cstdint>
#include <cstdlib>

#include "platform/linux/ProcProcessList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    for (long hz : {1L, 100L, 1000000000L}) tarvel::parseProcStat(text, size, hz);
    tarvel::parseDrmFdinfo(std::string_view(text, size));
    return 0;
}
