#include <gtest/gtest.h>

#include "link/eeprom.h"
#include "link/radio.h"

namespace qs {
namespace {

TEST(Eeprom, StartsAsAllZeroWithFixedSize) {
    clsCmcEeprom eep;
    EXPECT_EQ(eep.eeSize(), 32112);
    for (std::int32_t a = 0; a < eep.eeSize(); a += 997)
        EXPECT_EQ(eep.ReadByte(a), 0);
}

TEST(Eeprom, ByteAccessAtTheBoundaries) {
    clsCmcEeprom eep;
    EXPECT_EQ(eep.WriteByte(32111, 0xAA), 0);
    EXPECT_EQ(eep.ReadByte(32111), 0xAA);
    EXPECT_EQ(eep.WriteByte(0, 0x55), 0);
    EXPECT_EQ(eep.ReadByte(0), 0x55);

    EXPECT_EQ(eep.WriteByte(32112, 0x11), 1);
    EXPECT_EQ(eep.WriteByte(-1, 0x11), 1);
    EXPECT_EQ(eep.ReadByte(32112), 0);
    EXPECT_EQ(eep.ReadByte(-1), 0);
    EXPECT_EQ(eep.ReadByte(INT32_MIN), 0);
    EXPECT_EQ(eep.ReadByte(INT32_MAX), 0);
    EXPECT_EQ(eep.ReadByte(32111), 0xAA);
}

TEST(Eeprom, ReadBit) {
    clsCmcEeprom eep;
    eep.WriteByte(100, 0x80);
    EXPECT_TRUE(eep.ReadBit(100, 7));
    EXPECT_FALSE(eep.ReadBit(100, 0));
    eep.WriteByte(101, 0x21);
    EXPECT_TRUE(eep.ReadBit(101, 0));
    EXPECT_TRUE(eep.ReadBit(101, 5));
    EXPECT_FALSE(eep.ReadBit(101, 4));
    EXPECT_FALSE(eep.ReadBit(32112, 0));
    EXPECT_FALSE(eep.ReadBit(101, 8));
    EXPECT_FALSE(eep.ReadBit(101, -1));
}

TEST(Eeprom, WriteBlockFitsOnlyInsideTheImage) {
    clsCmcEeprom eep;
    EXPECT_EQ(eep.WriteBlock(32109, Bytes{1, 2, 3}), 0);
    EXPECT_EQ(eep.ReadByte(32109), 1);
    EXPECT_EQ(eep.ReadByte(32110), 2);
    EXPECT_EQ(eep.ReadByte(32111), 3);

    EXPECT_EQ(eep.WriteBlock(32110, Bytes{7, 8, 9}), 1);
    EXPECT_EQ(eep.ReadByte(32110), 2);
    EXPECT_EQ(eep.ReadByte(32111), 3);

    EXPECT_EQ(eep.WriteBlock(-1, Bytes{7, 8}), 1);
    EXPECT_EQ(eep.ReadByte(0), 0);
    EXPECT_EQ(eep.WriteBlock(INT32_MAX, Bytes{7, 8}), 1);
    EXPECT_EQ(eep.WriteBlock(10, Bytes{}), 1);
}

TEST(Radio, StartsWithZeroCodesAndOneImage) {
    clsCmcRadio radio;
    EXPECT_EQ(radio.radioNameM(), "0000");
    EXPECT_EQ(radio.radionameS(), "0000");
    radio.setRadioNameM("3017");
    radio.setRadionameS("0102");
    EXPECT_EQ(radio.radioNameM(), "3017");
    EXPECT_EQ(radio.radionameS(), "0102");
    clsCmcEeprom& first = radio.eepImage();
    first.WriteByte(5, 9);
    EXPECT_EQ(&radio.eepImage(), &first);
    EXPECT_EQ(radio.eepImage().ReadByte(5), 9);
}

}  // namespace
}  // namespace qs
