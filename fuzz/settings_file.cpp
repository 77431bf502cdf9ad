// The settings file (defaults.json), which any local program or a half-finished write may
// have left in any shape: load it, read every key in every type, then write one key back.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/UserDefaults.h"

namespace {

std::string scratchFolder;

const std::string& scratchPath() {
    static const std::string path = [] {
        // On tmpfs where there is one: every write-back syncs the file to disk.
        std::string folder = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        folder += "/tarvel-fuzz-settings-XXXXXX";
        if (!::mkdtemp(folder.data())) std::abort();
        scratchFolder = folder;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratchFolder, ignored);
        });
        return scratchFolder + "/defaults.json";
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
