#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace tarvel {

// Text shown for a value that is not available yet.
inline constexpr const char* kDash = "—";

// Nearest integer, halves away from zero; saturates instead of overflowing.
inline std::int64_t roundHalfAway(double x) {
    if (std::isnan(x)) return 0;
    const double r = std::round(x);
    if (r >= 9.2e18) return std::numeric_limits<std::int64_t>::max();
    if (r <= -9.2e18) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(r);
}

inline int roundToInt(double x) {
    const std::int64_t r = roundHalfAway(x);
    if (r > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (r < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(r);
}

template <typename T>
constexpr T clampTo(T v, T lo, T hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

}  // namespace tarvel
