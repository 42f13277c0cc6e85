#include "model/number_format.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace qs {
namespace {

struct FormatCase {
    double value;
    const char* pattern;
    const char* expected;
};

class DigitPatternTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(DigitPatternTest, WritesValueByPattern) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(FormatDigitPattern(c.value, c.pattern), c.expected)
        << c.value << " with " << c.pattern;
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, DigitPatternTest,
    ::testing::Values(
        // Volts: at least one integer digit, always two decimals.
        FormatCase{200 * 10.0 / 255, "##0.#0V", "7.84V"},
        FormatCase{170 * 5.0 / 255, "##0.#0V", "3.33V"}, FormatCase{0.0, "##0.#0V", "0.00V"},
        FormatCase{5.0, "##0.#0V", "5.00V"}, FormatCase{123.456, "##0.#0V", "123.46V"},
        FormatCase{1234.5, "##0.#0V", "1234.50V"},
        // Temperature: no integer digit when the integer part is zero.
        FormatCase{0.5, "###.#0'C", ".50'C"}, FormatCase{9.2749, "###.#0'C", "9.27'C"},
        FormatCase{-70.19, "###.#0'C", "-70.19'C"}, FormatCase{0.0, "###.#0'C", ".00'C"},
        // Percent multiplies by 100.
        FormatCase{128.0 / 255, "0.00%", "50.20%"}, FormatCase{0.0, "0.00%", "0.00%"},
        FormatCase{1.0, "0.00%", "100.00%"},
        // Frequencies.
        FormatCase{400.0, "###0.##0", "400.000"}, FormatCase{0.0, "###0.##0", "0.000"},
        FormatCase{146.52, "###0.#####0", "146.520000"},
        FormatCase{150.0, "###0.#####0", "150.000000"},
        FormatCase{446.00625, "###0.#####0", "446.006250"},
        // Rounding is half away from zero on the written decimal value.
        FormatCase{2.675, "0.00", "2.68"}, FormatCase{-2.675, "0.00", "-2.68"},
        FormatCase{0.125, "0.00", "0.13"}, FormatCase{9.995, "0.00", "10.00"},
        FormatCase{99.999, "##0.#0V", "100.00V"},
        // A value that rounds to zero carries no sign.
        FormatCase{-0.001, "0.00", "0.00"},
        // Trailing optional decimals are dropped, the point stays.
        FormatCase{1.5, "0.##", "1.5"}, FormatCase{2.0, "0.##", "2."},
        // No point in the pattern rounds to a whole number.
        FormatCase{2.5, "##0", "3"}));

TEST(DigitPatternTest, NonFiniteValueIsWrittenAsZero) {
    EXPECT_EQ(FormatDigitPattern(std::nan(""), "##0.#0V"), "0.00V");
    EXPECT_EQ(FormatDigitPattern(std::numeric_limits<double>::infinity(), "0.00%"), "0.00%");
}

TEST(PadLeftTest, PadsShortTextAndKeepsLongText) {
    EXPECT_EQ(PadLeft("7.84V", 7), "  7.84V");
    EXPECT_EQ(PadLeft("1234.50V", 7), "1234.50V");
    EXPECT_EQ(PadLeft("", 3), "   ");
}

}  // namespace
}  // namespace qs
