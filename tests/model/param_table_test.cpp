#include "model/param_table.h"

#include <gtest/gtest.h>

#include "image_builder.h"

namespace qs {
namespace {

using testing::PutEntry;
using testing::PutTableHeader;
using testing::PutWord;

constexpr std::int32_t kTable = 0x0200;

class ParamTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        PutTableHeader(image, 8, 2, kTable);
        PutEntry(image, kTable, 2, 8, 40, 0x1000);
        PutEntry(image, kTable + 8, 3, 1, 40, 0x1200);
        PutEntry(image, kTable + 16, 6, 16, 5, 0x1300);
    }
    clsCmcEeprom image;
};

TEST_F(ParamTableTest, FindsEachEntryAndItsFields) {
    EXPECT_EQ(PtblSearch(image, 2), kTable);
    EXPECT_EQ(PtblSearch(image, 3), kTable + 8);
    EXPECT_EQ(PtblSearch(image, 6), kTable + 16);
    EXPECT_EQ(ObjAddress(image, 3), 0x1200);
    EXPECT_EQ(ObjSize(image, 2), 8);
    EXPECT_EQ(ObjNumber(image, 2), 40);
    EXPECT_EQ(ObjSize(image, 6), 16);
}

TEST_F(ParamTableTest, AbsentObjectReadsFieldsFromStartOfImage) {
    PutWord(image, 2, 0x0123);
    PutWord(image, 4, 0x0045);
    PutWord(image, 6, 0x0678);
    EXPECT_EQ(PtblSearch(image, 9), 0);
    EXPECT_EQ(ObjSize(image, 9), 0x0123);
    EXPECT_EQ(ObjNumber(image, 9), 0x0045);
    EXPECT_EQ(ObjAddress(image, 9), 0x0678);
}

TEST_F(ParamTableTest, LaterDuplicateWins) {
    PutEntry(image, kTable + 16, 2, 10, 7, 0x1400);
    EXPECT_EQ(PtblSearch(image, 2), kTable + 16);
    EXPECT_EQ(ObjAddress(image, 2), 0x1400);
    EXPECT_EQ(ObjNumber(image, 2), 7);
}

TEST_F(ParamTableTest, LastIndexIsAnIndexNotACount) {
    PutTableHeader(image, 8, 0, kTable);
    EXPECT_EQ(PtblSearch(image, 2), kTable);
    EXPECT_EQ(PtblSearch(image, 3), 0);
    PutTableHeader(image, 8, 1, kTable);
    EXPECT_EQ(PtblSearch(image, 3), kTable + 8);
    EXPECT_EQ(PtblSearch(image, 6), 0);
}

TEST_F(ParamTableTest, EntriesLongerThanEightBytesAreSteppedOver) {
    PutTableHeader(image, 12, 1, kTable);
    PutEntry(image, kTable + 12, 3, 2, 20, 0x1500);
    EXPECT_EQ(ObjAddress(image, 3), 0x1500);
}

TEST_F(ParamTableTest, FollowsTheImageWithoutCaching) {
    EXPECT_EQ(ObjAddress(image, 2), 0x1000);
    PutEntry(image, kTable, 2, 8, 40, 0x1100);
    EXPECT_EQ(ObjAddress(image, 2), 0x1100);
}

TEST(ParamTableEmptyImageTest, OnlyObjectZeroMatchesEntryZero) {
    clsCmcEeprom image;
    EXPECT_EQ(PtblSearch(image, 0), 0);
    EXPECT_EQ(PtblSearch(image, 2), 0);
    EXPECT_EQ(ObjAddress(image, 2), 0);
    EXPECT_EQ(ObjNumber(image, 2), 0);
}

TEST(ParamTableOutOfRangeTest, HeaderBeyond16BitsIsTreatedAsNoTable) {
    clsCmcEeprom image;
    PutTableHeader(image, 8, 0, 0x8000);
    EXPECT_EQ(PtblSearch(image, 0), 0);
    PutTableHeader(image, 0x8000, 0, 0x0200);
    EXPECT_EQ(PtblSearch(image, 0), 0);
}

TEST(ParamTableOutOfRangeTest, HugeTableEndsWithoutReadingPastTheAddressRange) {
    clsCmcEeprom image;
    // 32768 entries of 16 bytes from 0x7000: the walk must stop at address 32767.
    PutTableHeader(image, 16, 0x7FFF, 0x7000);
    PutEntry(image, 0x7000 + 16 * 3, 2, 8, 1, 0x0300);
    EXPECT_EQ(PtblSearch(image, 2), 0x7000 + 16 * 3);
    // A zero entry size examines the same entry over and over, and still ends.
    PutTableHeader(image, 0, 0x7FFF, 0x7000 + 16 * 3);
    EXPECT_EQ(PtblSearch(image, 2), 0x7000 + 16 * 3);
}

TEST(ParamTableOutOfRangeTest, FieldWithHighBitReadsAsNegative) {
    clsCmcEeprom image;
    PutTableHeader(image, 8, 0, 0x0200);
    PutEntry(image, 0x0200, 2, 8, 0x9000, 0xFFFF);
    EXPECT_EQ(ObjAddress(image, 2), -1);
    EXPECT_LT(ObjNumber(image, 2), 0);
}

}  // namespace
}  // namespace qs
