// `why`: the last-hour analysis of whatever the history file holds.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "drain/WhyDrain.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // 2026-03-01T14:05:09Z and a moment with a fraction, so the hour's edge falls mid-second.
    for (double now : {1772373909.0, 1772373909.25}) {
        const auto why = tarvel::analyzeWhyDrain(text, now);
        if (why.dropPercent < 0 || why.culprits.size() > 3) std::abort();
        double total = 0;
        for (const auto& c : why.culprits) {
            if (!(c.share >= 0 && c.share <= 1)) std::abort();
            total += c.share;
        }
        if (total > 1 + 1e-9) std::abort();
    }
    return 0;
}
