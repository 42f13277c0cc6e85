// The compare page for two images, built from the parameter page's own lines.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "safety/parameter_compare.h"

namespace qs::safety_test {
namespace {

TEST(ParameterCompareTest, ThreeDifferingParametersGiveThreeLinesOldAndNewSideBySide) {
    clsCmcEeprom older;
    clsCmcEeprom newer;
    older.WriteByte(168, 200);  // POW HI Level
    newer.WriteByte(168, 205);
    older.WriteByte(127, 0x02);  // MOD Slant(Freq) Band0, signed
    newer.WriteByte(127, 0xFE);
    older.WriteByte(80, 0x0F);  // Base Frequency 4000 -> 400.000 MHz
    older.WriteByte(81, 0xA0);
    newer.WriteByte(80, 0x10);  // 4100 -> 410.000 MHz
    newer.WriteByte(81, 0x04);
    older.WriteByte(40, 1);  // not on the page: no line
    const auto differences = CompareParameters(older, newer);
    ASSERT_EQ(differences.size(), 3u);
    EXPECT_EQ(differences[0].label, "                POW HI Level: ");
    EXPECT_EQ(differences[0].oldValue, " 200");
    EXPECT_EQ(differences[0].newValue, " 205");
    EXPECT_EQ(differences[1].label, "       MOD Slant(Freq) Band0: ");
    EXPECT_EQ(differences[1].oldValue, "   2");
    EXPECT_EQ(differences[1].newValue, "  -2");
    EXPECT_EQ(differences[2].label, "              Base Frequency: ");
    EXPECT_EQ(differences[2].oldValue, " 400.000MHz");
    EXPECT_EQ(differences[2].newValue, " 410.000MHz");

    EXPECT_EQ(CompareText("b.qsbak", "2026-12-07 10:46:02", differences),
              "Backup: b.qsbak\r\n"
              "Read:   2026-12-07 10:46:02\r\n"
              "\r\n"
              "Each line: the value in the backup  ->  the value now.\r\n"
              "\r\n"
              "                POW HI Level:  200  ->   205\r\n"
              "       MOD Slant(Freq) Band0:    2  ->    -2\r\n"
              "              Base Frequency:  400.000MHz  ->   410.000MHz\r\n"
              "\r\n"
              "3 parameters differ.\r\n");
}

TEST(ParameterCompareTest, EqualImagesSayNothingDiffers) {
    clsCmcEeprom a;
    clsCmcEeprom b;
    b.WriteByte(5000, 9);  // outside the page
    EXPECT_TRUE(CompareParameters(a, b).empty());
    EXPECT_EQ(CompareText("b", "d", {}),
              "Backup: b\r\nRead:   d\r\n\r\nNo parameter differs from the backup.\r\n");
}

TEST(ParameterCompareTest, OneDifferenceIsSingular) {
    EXPECT_THAT(CompareText("b", "d", {{"L: ", "1", "2"}}),
                ::testing::EndsWith("\r\n1 parameter differs.\r\n"));
}

}  // namespace
}  // namespace qs::safety_test
