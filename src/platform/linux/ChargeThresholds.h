#pragma once

#include <optional>
#include <string>

#include "platform/linux/SysfsAttributeIO.h"

namespace tarvel {

// One battery's charge thresholds: `charge_control_end_threshold` and, where the driver has
// it, `charge_control_start_threshold` (percent); on older ThinkPad kernels their first names,
// `charge_stop_threshold` and `charge_start_threshold`. They stand in for a charger mode:
// "inhibit-charge" puts the end threshold at the hold limit, so the firmware stops there by
// itself; "auto" puts it back at 100. Thresholds cannot discharge.
//
// The kernel refuses a start at or above the end, so a start in the way is lowered first, and
// put back when the end is raised again.
class ChargeThresholds {
public:
    // The thresholds of the battery folder; none when it has no end threshold.
    static std::optional<ChargeThresholds> find(const std::string& batteryDir,
                                                SysfsAttributeIO& io);

    struct Outcome {
        int error = 0;                       // errno of a refused write or unreadable threshold
        std::optional<std::string> differs;  // the end the firmware kept is not the one asked
    };
    // Writes the thresholds for "auto" or "inhibit-charge" (anything else: EOPNOTSUPP), each
    // value read back after its write.
    Outcome apply(const std::string& behaviour, int limit);
    // "auto" for an end at 100, "inhibit-charge" for an end at `limit`, "" for any other end;
    // none when the end cannot be read.
    std::optional<std::string> mode(int limit) const;
    // What the end holds, in words ("end threshold 85 %"); empty when it cannot be read.
    std::string stateText() const;
    // The attribute names in use, start first ("charge_control_start_threshold, ...").
    std::string names() const;

    const std::string& endPath() const { return endPath_; }
    bool hasStart() const { return !startPath_.empty(); }
    // The start from before inhibit lowered it, kept by the caller across restarts.
    std::optional<int> savedStart() const { return savedStart_; }
    void setSavedStart(std::optional<int> start) { savedStart_ = start; }

private:
    ChargeThresholds(std::string endPath, std::string startPath, SysfsAttributeIO& io)
        : endPath_(std::move(endPath)), startPath_(std::move(startPath)), io_(&io) {}
    std::optional<int> read(const std::string& path) const;
    // Writes `value` unless the threshold holds it already; the value read back after it.
    int write(const std::string& path, int value, std::optional<int>& kept);

    std::string endPath_;
    std::string startPath_;  // empty: the driver has no start threshold
    SysfsAttributeIO* io_;
    std::optional<int> savedStart_;  // the start before inhibit lowered it
};

// The text reporting a threshold the firmware rounded or clamped.
std::string firmwareSetText(int kept, int asked);

}  // namespace tarvel
