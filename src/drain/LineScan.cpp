#include "drain/LineScan.h"

#include <cmath>
#include <string>

#include "drain/IsoTime.h"

namespace tarvel {

std::string_view quickTime(std::string_view line) {
    static constexpr std::string_view kPrefix = "{\"t\":\"";
    constexpr std::size_t kTimeLength = 20;
    if (line.size() < kPrefix.size() + kTimeLength + 1 || line.substr(0, kPrefix.size()) != kPrefix)
        return {};
    const std::string_view time = line.substr(kPrefix.size(), kTimeLength);
    const std::size_t after = kPrefix.size() + kTimeLength;
    if (line[after] != '"' || !looksLikeCanonicalUtc(time)) return {};
    // A second "t" key (or text that merely looks like one) would make the first misleading.
    if (line.find("\"t\"", after) != std::string_view::npos) return {};
    return time;
}

std::string quickBoundary(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0 || seconds > 253402300799.0) return {};
    std::string text = formatIsoUtc(std::ceil(seconds));
    return looksLikeCanonicalUtc(text) ? text : std::string();
}

}  // namespace tarvel
