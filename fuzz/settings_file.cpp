// The settings file (defaults.json), which any local program or a half-finished write may
// have left in any shape: load it, read every key in every type, then write one key back.
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "base/UserDefaults.h"

namespace {

const std::string& scratchPath() {
    static const std::string path = [] {
        char folder[] = "/tmp/tarvel-fuzz-settings-XXXXXX";
        return std::string(::mkdtemp(folder)) + "/defaults.json";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = scratchPath();
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    tarvel::UserDefaults defaults(path);
    for (const char* key : {"tarvelpro.retentionDays", "tarvelpro.drainLog.clearedBefore",
                            "chargeLimit", "launchAtLogin", ""}) {
        defaults.contains(key);
        defaults.boolValue(key);
        defaults.integer(key);
        defaults.real(key);
        defaults.string(key);
        defaults.date(key);
    }
    defaults.setInteger("tarvelpro.retentionDays", 7);
    return 0;
}
