#include "model/rig_k52t_eep.h"

#include <gtest/gtest.h>

#include "image_builder.h"

namespace qs {
namespace {

using testing::Put;
using testing::PutEntry;
using testing::PutTableHeader;
using testing::PutWord;

constexpr std::int32_t kChannels = 0x1000;
constexpr std::int32_t kPower = 0x1200;

class EepLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        PutTableHeader(image, 8, 1, 0x0200);
        PutEntry(image, 0x0200, 2, 8, 40, kChannels);
        PutEntry(image, 0x0208, 3, 1, 40, kPower);
    }
    std::int32_t Record(int ch) const { return kChannels + 8 * ch; }

    clsCmcEeprom image;
    clsIndEep_RigK52T eep{image};
};

TEST_F(EepLayoutTest, ReceiveFrequencyOfChannel) {
    Put(image, Record(3), {0x08, 0xF0, 0xD1, 0x80});
    EXPECT_FALSE(eep.Check_Inh(Record(3)));
    EXPECT_TRUE(eep.GetChAppear(kChannels, 3));
    EXPECT_EQ(eep.GetChFreqRxReal(kChannels, 3), 150000000);
}

TEST_F(EepLayoutTest, TransmitFrequencyIsReadFromRecordPlusFour) {
    Put(image, Record(1) + 4, {0x08, 0xBB, 0xB7, 0xC0});  // 146.52 MHz
    EXPECT_EQ(eep.GetChFreqTxReal(kChannels + 4, 1), 146520000);
}

TEST_F(EepLayoutTest, EmptySlotDoesNotAppear) {
    EXPECT_FALSE(eep.Check_Inh(Record(5)));
    EXPECT_FALSE(eep.Check_MRCH(Record(5)));
    EXPECT_FALSE(eep.GetChAppear(kChannels, 5));
}

TEST_F(EepLayoutTest, InhibitedChannelAppears) {
    Put(image, Record(2), {0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_TRUE(eep.Check_Inh(Record(2)));
    EXPECT_TRUE(eep.Check_MRCH(Record(2)));
    EXPECT_TRUE(eep.GetChAppear(kChannels, 2));
    Put(image, Record(4), {0x80, 0x00, 0x00, 0x00});
    EXPECT_TRUE(eep.GetChAppear(kChannels, 4));
}

TEST_F(EepLayoutTest, NegativeChannelNeverAppears) {
    // Record -1 would be the bytes just before the table; make them look in use.
    Put(image, kChannels - 8, {0x08, 0xF0, 0xD1, 0x80});
    EXPECT_FALSE(eep.GetChAppear(kChannels, -1));
}

TEST_F(EepLayoutTest, PowerCodes) {
    const struct {
        int byte;
        int code;
    } cases[] = {{0x03, 0}, {0x02, 1}, {0x01, 2}, {0x00, 2}, {0xFF, 0}, {0xFE, 1}, {0xFC, 2}};
    for (const auto& c : cases) {
        Put(image, kPower + 7, {c.byte});
        EXPECT_EQ(eep.GetChRFPower(kPower, 7), c.code) << c.byte;
    }
}

TEST_F(EepLayoutTest, RecordSizeComesFromTableEachTime) {
    Put(image, kChannels + 16 * 2, {0x08, 0xF0, 0xD1, 0x80});
    EXPECT_FALSE(eep.GetChAppear(kChannels, 2));
    PutEntry(image, 0x0200, 2, 16, 40, kChannels);
    EXPECT_TRUE(eep.GetChAppear(kChannels, 2));
}

TEST_F(EepLayoutTest, ChannelOffsetBeyond16BitsReadsOutsideImageAsEmpty) {
    PutEntry(image, 0x0200, 2, 0x1000, 40, kChannels);
    EXPECT_FALSE(eep.GetChAppear(kChannels, 39));
    EXPECT_EQ(eep.GetChFreqRxReal(kChannels, 39), 0);
}

TEST_F(EepLayoutTest, BaseFrequencyLimits) {
    const struct {
        int raw;
        std::int32_t hz;
    } cases[] = {{0x0FA0, 400000000}, {0x1F40, 800000000}, {0x1F41, 0}, {0xFFFF, 0}, {0, 0},
                 {1, 100000}};
    for (const auto& c : cases) {
        PutWord(image, 80, c.raw);
        EXPECT_EQ(eep.ReadBaseFreqBlock(), c.hz) << c.raw;
    }
}

TEST_F(EepLayoutTest, ChannelNames) {
    EXPECT_EQ(eep.chNames(0), " ");
    EXPECT_EQ(eep.chNames(40), " ");
    EXPECT_EQ(eep.chNames(41), "");
    EXPECT_EQ(eep.GetChName(0), "1");
    EXPECT_EQ(eep.chNames(0), "1");
    EXPECT_EQ(eep.GetChName(41), "42");
    EXPECT_EQ(eep.chNames(41), "42");
    EXPECT_EQ(eep.GetChName(8), "9");
}

TEST_F(EepLayoutTest, ChannelNameOutsideSlotsIsNamedButNotStored) {
    EXPECT_EQ(eep.GetChName(42), "43");
    EXPECT_EQ(eep.GetChName(-1), "0");
    EXPECT_EQ(eep.GetChName(32767), "32768");
}

TEST_F(EepLayoutTest, FrequencyReadAtImageEndIsSafe) {
    Put(image, 32110, {0x01, 0x02});
    EXPECT_EQ(eep.ReadFreqBlock(32110), 0x01020000);
    EXPECT_EQ(eep.ReadFreqBlock(-2), 0);
}

}  // namespace
}  // namespace qs
