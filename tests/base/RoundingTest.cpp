#include <gtest/gtest.h>

#include <cmath>

#include "base/Format.h"
#include "base/Rounding.h"

TEST(Rounding, HalvesAwayFromZeroAndSaturates) {
    EXPECT_EQ(tarvel::roundHalfAway(2.5), 3);
    EXPECT_EQ(tarvel::roundHalfAway(-2.5), -3);
    EXPECT_EQ(tarvel::roundHalfAway(0.49999), 0);
    EXPECT_EQ(tarvel::roundHalfAway(NAN), 0);
    EXPECT_EQ(tarvel::roundToInt(1e30), INT32_MAX);
    EXPECT_EQ(tarvel::roundToInt(-1e30), INT32_MIN);
}

TEST(Format, FixedIgnoresTheProcessLocale) {
    std::setlocale(LC_ALL, "de_DE.UTF-8");             // harmless when the locale is not installed
    EXPECT_EQ(tarvel::formatFixed(11.25, 1), "11.2");  // like printf: 11.25 is below the half
    EXPECT_EQ(tarvel::formatFixed(12.0, 1), "12.0");
    EXPECT_EQ(tarvel::formatFixed(0.04, 1), "0.0");
    std::setlocale(LC_ALL, "C");
}
