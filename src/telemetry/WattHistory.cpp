#include "telemetry/WattHistory.h"

#include <algorithm>

#include "base/Rounding.h"

namespace tarvel {

namespace {
constexpr auto kRingSize = static_cast<std::int64_t>(kWattHistorySlots);
}

void WattHistory::push(double watts) {
    ring_[static_cast<size_t>(idx_ % kRingSize)] = watts;
    ++idx_;
    filled_ = std::min(filled_ + 1, kRingSize);
}

std::vector<double> WattHistory::chronological() const {
    std::vector<double> history;
    history.reserve(static_cast<size_t>(filled_));
    for (std::int64_t i = 0; i < filled_; ++i) {
        const std::int64_t slot = ((idx_ - filled_ + i) % kRingSize + kRingSize) % kRingSize;
        history.push_back(ring_[static_cast<size_t>(slot)]);
    }
    return history;
}

std::vector<double> WattHistory::spark(const std::vector<double>& history) {
    const size_t n = history.size();
    if (n <= kWattSparkPoints) return history;
    std::vector<double> spark;
    spark.reserve(kWattSparkPoints);
    for (size_t k = 0; k < kWattSparkPoints; ++k) {
        const auto index = roundHalfAway(double(n - 1) / double(kWattSparkPoints - 1) * double(k));
        spark.push_back(history[std::min(static_cast<size_t>(index), n - 1)]);
    }
    return spark;
}

}  // namespace tarvel
