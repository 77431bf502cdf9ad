#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

#include "base/Format.h"
#include "base/Rounding.h"
#include "base/TerminalText.h"

namespace tarvel {
namespace {

TEST(TerminalText, ControlsAndStrayBytesBecomeVisibleEscapes) {
    const struct {
        std::string raw;
        std::string shown;
    } cases[] = {
        {"Safari", "Safari"},
        {"caf\xc3\xa9 \xe2\x80\x94 \xf0\x9f\x94\x8b", "caf\xc3\xa9 \xe2\x80\x94 \xf0\x9f\x94\x8b"},
        {"a\nb", "a\\nb"},
        {"a\rb", "a\\rb"},
        {"a\tb", "a\\tb"},
        {"\x1b]0;pwned\x07", "\\x1b]0;pwned\\x07"},
        {std::string("nul\0x", 5), "nul\\x00x"},
        {"del\x7f", "del\\x7f"},
        {"\x01\x06\x1c\x1f", "\\x01\\x06\\x1c\\x1f"},
        // Format characters: a right-to-left override, a zero-width space, a tag.
        {"a\xe2\x80\xaegpj.exe", "a\\u202egpj.exe"},
        {"a\xe2\x80\x8b"
         "b\xf3\xa0\x81\x81",
         "a\\u200bb\\U000e0041"},
        {"\xc2\x80\xc2\x9f\xc2\xa0", "\\u0080\\u009f\xc2\xa0"},  // U+00A0 is printable
        {"bad\xff\xfe", "bad\\xff\\xfe"},
        {"cut\xe2\x80", "cut\\xe2\\x80"},                    // a sequence cut short
        {"over\xc0\xaf", "over\\xc0\\xaf"},                  // an overlong "/"
        {"sur\xed\xa0\x80", "sur\\xed\\xa0\\x80"},           // a UTF-16 surrogate
        {"big\xf4\x90\x80\x80", "big\\xf4\\x90\\x80\\x80"},  // past U+10FFFF
        {"lone\x9b", "lone\\x9b"},
        // A literal backslash cannot pass for an escape.
        {"a\\nb", "a\\\\nb"},
    };
    for (const auto& c : cases) EXPECT_EQ(printable(c.raw), c.shown) << c.shown;
}

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

}  // namespace
}  // namespace tarvel
