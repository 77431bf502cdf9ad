// The `replay` script: snapshot and sleep/wake lines fed through the battery smoother.
#include <cstdint>
#include <sstream>
#include <string>

#include "cli/Args.h"
#include "cli/ReplayScript.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string script(reinterpret_cast<const char*>(data), size);
    for (bool json : {false, true}) {
        std::ostringstream out;
        try {
            tarvel::cli::replayScript(script, "script", json, out);
        } catch (const tarvel::cli::UsageError&) {
            // A bad line is the user's mistake, reported as such.
        }
    }
    return 0;
}
