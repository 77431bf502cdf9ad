#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvel {

inline constexpr size_t kWattHistorySlots = 700;
inline constexpr size_t kWattSparkPoints = 60;

// The last kWattHistorySlots package-watt values, one per poll, in a ring.
class WattHistory {
public:
    void push(double watts);
    // How many slots hold a value, at most kWattHistorySlots.
    std::int64_t filled() const { return filled_; }
    // The held values, oldest first.
    std::vector<double> chronological() const;
    // At most kWattSparkPoints values picked evenly from `history`, keeping its first and last.
    static std::vector<double> spark(const std::vector<double>& history);

private:
    std::vector<double> ring_ = std::vector<double>(kWattHistorySlots, 0.0);
    std::int64_t idx_ = 0;  // next slot to write, taken modulo the ring size
    std::int64_t filled_ = 0;
};

}  // namespace tarvel
