#include "wire_format.h"

#include <gtest/gtest.h>

#include "request_parser.h"
#include "sim_test_util.h"

namespace qtsim {
namespace {

using testing::hex;

TEST(SimWireFormat, DataBlockAbCdAt0010CarriesChecksum76) {
    EXPECT_EQ(blockChecksum(0x0010, {0xAB, 0xCD}), 0x76);
    EXPECT_EQ(dataBlockFrame(0x0010, {0xAB, 0xCD}),
              hex("FE FE EF EE E4 30 30 31 30 30 32 41 42 43 44 37 36 FD"));
}

TEST(SimWireFormat, ChecksumMakesTheSumAMultipleOf256) {
    struct Row {
        std::uint16_t address;
        Bytes data;
    };
    const Row rows[] = {
        {0x0000, {0x00}},
        {0x7D60, Bytes(16, 0xFF)},
        {0x1234, {0x01, 0x02, 0x03}},
        {0x00F0, Bytes(122, 0x80)},
    };
    for (const Row& row : rows) {
        unsigned sum = (row.address >> 8) + (row.address & 0xFF) + row.data.size();
        for (auto b : row.data)
            sum += b;
        sum += blockChecksum(row.address, row.data);
        EXPECT_EQ(sum % 256, 0u) << row.address;
    }
}

TEST(SimWireFormat, EndFrameCarriesMakerBytesAndCountModulo256) {
    EXPECT_EQ(endOfReadFrame(2007), hex("FE FE EF EE E5 56 65 78 61 20 49 6E 63 2E 44 37 FD"));
    EXPECT_EQ(endOfReadFrame(300), hex("FE FE EF EE E5 56 65 78 61 20 49 6E 63 2E 32 43 FD"));
    EXPECT_EQ(endOfReadFrame(256), hex("FE FE EF EE E5 56 65 78 61 20 49 6E 63 2E 30 30 FD"));
}

TEST(SimWireFormat, HexHelpers) {
    EXPECT_EQ(asciiHexByte('7', 'f'), 0x7F);
    EXPECT_EQ(asciiHexByte('G', '0'), std::nullopt);
    EXPECT_EQ(codeBytes("3017"), (Bytes{0x30, 0x17}));
    EXPECT_EQ(codeBytes("301"), std::nullopt);
    EXPECT_EQ(codeBytes("30X7"), std::nullopt);
    EXPECT_EQ(hexDump({0x00, 0xAB, 0xFE}), "00 AB FE");
    Bytes out;
    appendAsciiHex(out, 0x3F);
    EXPECT_EQ(out, (Bytes{0x33, 0x46}));
}

struct ParserRow {
    const char* name;
    Bytes input;
    std::vector<Bytes> bodies;
};

TEST(SimRequestParser, CutsBodiesOutOfTheStream) {
    const ParserRow rows[] = {
        {"plain", hex("FE FE EE EF E0 30 17 00 00 FD"), {hex("EE EF E0 30 17 00 00")}},
        {"leading garbage", hex("00 12 FD 34 FE FE EE EF E0 FD"), {hex("EE EF E0")}},
        {"two in one",
         hex("FE FE EE EF E0 FD FE FE EE EF E2 FD"),
         {hex("EE EF E0"), hex("EE EF E2")}},
        {"stray FE restarts", hex("FE FE EE 01 FE FE EE EF E0 FD"), {hex("EE EF E0")}},
        {"end mark alone", hex("FD FD"), {}},
        {"empty frame", hex("FE FE FD"), {}},
        {"unfinished", hex("FE FE EE EF E0"), {}},
    };
    for (const ParserRow& row : rows) {
        RequestParser parser;
        EXPECT_EQ(parser.feed(row.input), row.bodies) << row.name;
    }
}

TEST(SimRequestParser, FrameSplitOverFeedsAndReset) {
    RequestParser parser;
    EXPECT_TRUE(parser.feed(hex("FE FE EE")).empty());
    EXPECT_EQ(parser.feed(hex("EF E0 FD")), std::vector<Bytes>{hex("EE EF E0")});

    EXPECT_TRUE(parser.feed(hex("FE FE EE EF")).empty());
    parser.reset();
    EXPECT_TRUE(parser.feed(hex("E0 FD")).empty());
}

TEST(SimRequestParser, OverlongGarbageIsDroppedNotKept) {
    RequestParser parser;
    Bytes flood{kPreamble};
    flood.insert(flood.end(), 10000, 0x41);
    flood.push_back(kEndMark);
    EXPECT_TRUE(parser.feed(flood).empty());
    EXPECT_EQ(parser.feed(hex("FE FE EE EF E0 FD")), std::vector<Bytes>{hex("EE EF E0")});
}

}  // namespace
}  // namespace qtsim
