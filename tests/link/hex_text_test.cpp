#include <gtest/gtest.h>

#include "link/hex_text.h"

namespace qs {
namespace {

TEST(HexText, HexTextToBytes) {
    EXPECT_EQ(HexTextToBytes("E8 05 3346"), (Bytes{0xE8, 0x05, 0x33, 0x46}));
    EXPECT_EQ(HexTextToBytes("ABC"), (Bytes{0xAB}));
    EXPECT_EQ(HexTextToBytes(" "), Bytes{});
    EXPECT_EQ(HexTextToBytes(""), Bytes{});
    EXPECT_EQ(HexTextToBytes("FE FE"), (Bytes{0xFE, 0xFE}));
    EXPECT_EQ(HexTextToBytes("FEFE"), (Bytes{0xFE, 0xFE}));
    EXPECT_EQ(HexTextToBytes("  fe"), (Bytes{0xFE}));
    // A pair that is not hex reads its leading digits only, as all hex text does.
    EXPECT_EQ(HexTextToBytes("1G"), (Bytes{0x01}));
    EXPECT_EQ(HexTextToBytes("ZZ"), (Bytes{0x00}));
}

TEST(HexText, BytesToHexText) {
    EXPECT_EQ(BytesToHexText(Bytes{0x00, 0x0A, 0xFF}), "000AFF");
    EXPECT_EQ(BytesToHexText(Bytes{}), "");
    EXPECT_EQ(BytesToHexText(Bytes{0x30, 0x17}), "3017");
}

TEST(HexText, AsciiHexToInt) {
    EXPECT_EQ(AsciiHexToInt(Bytes{0x37, 0x44, 0x36, 0x46}), 32111);
    EXPECT_EQ(AsciiHexToInt(Bytes{0x46, 0x46, 0x46, 0x46}), -1);
    EXPECT_EQ(AsciiHexToInt(Bytes{}), 0);
    EXPECT_EQ(AsciiHexToInt(TextToBytes("FF")), 255);
    EXPECT_EQ(AsciiHexToInt(TextToBytes("7FFF")), 32767);
    EXPECT_EQ(AsciiHexToInt(TextToBytes("8000")), -32768);
    EXPECT_EQ(AsciiHexToInt(TextToBytes("ff")), 255);
    EXPECT_EQ(AsciiHexToInt(TextToBytes("1Z9")), 1);
    EXPECT_EQ(AsciiHexToInt(TextToBytes("Z1")), 0);
    EXPECT_EQ(AsciiHexToInt(Bytes{0x00, 0xFF}), 0);
    // Longer runs keep the low 16 bits instead of overflowing.
    EXPECT_EQ(AsciiHexToInt(TextToBytes("12345")), 0x2345);
}

TEST(HexText, ByteToHex2AndAsciiHex) {
    EXPECT_EQ(ByteToHex2(5), "05");
    EXPECT_EQ(ByteToHex2(0xAB), "AB");
    EXPECT_EQ(ByteToHex2(0x1234), "34");
    EXPECT_EQ(ByteToHex2(-1), "FF");
    EXPECT_EQ(ByteToAsciiHexText(0), "3030");
    EXPECT_EQ(ByteToAsciiHexText(255), "4646");
    EXPECT_EQ(ByteToAsciiHexText(0x3F), "3346");
    EXPECT_EQ(ByteToAsciiHexText(128), "3830");
    EXPECT_EQ(ByteToHex2(9) + ByteToAsciiHexText(128), "093830");
}

TEST(HexText, TextToBytes) {
    EXPECT_EQ(TextToBytes("3F"), (Bytes{0x33, 0x46}));
    EXPECT_EQ(TextToBytes(""), Bytes{});
}

TEST(HexText, ExpandNewLines) {
    EXPECT_EQ(ExpandNewLines("a\\nb"), "a\r\nb");
    EXPECT_EQ(ExpandNewLines("\\n\\n"), "\r\n\r\n");
    EXPECT_EQ(ExpandNewLines("ends\\"), "ends\\");
    EXPECT_EQ(ExpandNewLines("\\"), "\\");
    EXPECT_EQ(ExpandNewLines(""), "");
    EXPECT_EQ(ExpandNewLines("no escapes"), "no escapes");
    EXPECT_EQ(ExpandNewLines("\\\\n").size(), 3U);
}

}  // namespace
}  // namespace qs
