#include "platform/linux/ChargeThresholds.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "platform/linux/SysfsFile.h"

namespace tarvel {

namespace {

// How far below the end a start in the way is put: the controller's own band, so the firmware
// resumes charging where the running controller would.
constexpr int kStartGap = 2;

}  // namespace

std::string firmwareSetText(int kept, int asked) {
    return "the firmware set " + std::to_string(kept) + " % for " + std::to_string(asked) + " %";
}

std::optional<ChargeThresholds> ChargeThresholds::find(const std::string& batteryDir,
                                                       SysfsAttributeIO& io) {
    for (const auto& [endName, startName] :
         {std::pair{"charge_control_end_threshold", "charge_control_start_threshold"},
          std::pair{"charge_stop_threshold", "charge_start_threshold"}}) {
        const std::string end = batteryDir + "/" + endName;
        const std::string start = batteryDir + "/" + startName;
        if (io.read(end)) return ChargeThresholds(end, io.read(start) ? start : std::string(), io);
    }
    return std::nullopt;
}

std::string ChargeThresholds::names() const {
    auto name = [](const std::string& path) { return path.substr(path.rfind('/') + 1); };
    return hasStart() ? name(startPath_) + ", " + name(endPath_) : name(endPath_);
}

std::string ChargeThresholds::stateText() const {
    const auto end = read(endPath_);
    return end ? "end threshold " + std::to_string(*end) + " %" : std::string();
}

std::optional<int> ChargeThresholds::read(const std::string& path) const {
    const auto text = io_->read(path);
    if (!text) return std::nullopt;
    const auto value = parseSysfsInteger(*text);
    if (!value || *value < 0 || *value > 100) return std::nullopt;
    return static_cast<int>(*value);
}

int ChargeThresholds::write(const std::string& path, int value, std::optional<int>& kept) {
    if (const int error = io_->write(path, std::to_string(value))) return error;
    // Drivers round or clamp what they are given: only the value read back is in effect.
    kept = read(path);
    return kept ? 0 : ENODEV;
}

ChargeThresholds::Outcome ChargeThresholds::apply(const std::string& behaviour, int limit) {
    if (behaviour != "auto" && behaviour != "inhibit-charge") return {EOPNOTSUPP, {}};
    const auto end = read(endPath_);
    if (!end) return {ENODEV, {}};
    const std::optional<int> start = hasStart() ? read(startPath_) : std::nullopt;
    if (hasStart() && !start) return {ENODEV, {}};

    const int wantEnd = behaviour == "auto" ? 100 : std::clamp(limit, 1, 100);
    std::optional<int> wantStart = start;
    if (start && behaviour == "auto") {
        if (savedStart_) wantStart = savedStart_;
    } else if (start && *start >= wantEnd) {
        if (!savedStart_) savedStart_ = start;
        wantStart = std::max(0, wantEnd - kStartGap);
    }

    Outcome out;
    auto putStart = [&] {
        std::optional<int> kept;
        return wantStart == start ? 0 : write(startPath_, *wantStart, kept);
    };
    auto putEnd = [&] {
        if (wantEnd == *end) return 0;
        std::optional<int> kept;
        const int error = write(endPath_, wantEnd, kept);
        if (!error && *kept != wantEnd) out.differs = firmwareSetText(*kept, wantEnd);
        return error;
    };
    // start < end at every step: a lower end needs the start out of its way first, a higher
    // end must be in place before the start may rise to its old value.
    if (wantEnd < *end) {
        out.error = putStart();
        if (!out.error) out.error = putEnd();
    } else {
        out.error = putEnd();
        if (!out.error && !out.differs) out.error = putStart();
    }
    if (!out.error && !out.differs && behaviour == "auto") savedStart_.reset();
    return out;
}

std::optional<std::string> ChargeThresholds::mode(int limit) const {
    const auto end = read(endPath_);
    if (!end) return std::nullopt;
    if (*end == 100) return "auto";
    if (*end == limit) return "inhibit-charge";
    return "";
}

}  // namespace tarvel
