#include <gtest/gtest.h>

#include "builtin_image.h"
#include "sim_test_util.h"
#include "virtual_radio.h"

namespace qtsim {
namespace {

using namespace qtsim::testing;

struct StoreRow {
    std::uint8_t command;
    int address;
};

// The console items' commands, the balance mirrors and the signal-strength thresholds.
const StoreRow kStoreRows[] = {
    {0x09, 168}, {0x0A, 167}, {0x0B, 166}, {0x11, 106}, {0x0D, 105}, {0x0F, 83},
    {0x08, 184}, {0x05, 173}, {0x13, 84},  {0x14, 85},  {0x06, 92},  {0x07, 93},
    {0x12, 113}, {0x10, 99},  {0x1B, 120}, {0x15, 169}, {0x16, 170},
};

TEST(VirtualRadioAdjust, SettingsAreStoredAtTheirAddressesWithoutAnswer) {
    for (const StoreRow& row : kStoreRows) {
        VirtualRadio radio(instantConfig());
        const Bytes request = adjustRequest(row.command, 0xA5);
        EXPECT_EQ(roundTrip(radio, request), request) << int(row.command);  // echo, no answer
        EXPECT_EQ(radio.image().read(row.address), 0xA5) << int(row.command);
    }
}

TEST(VirtualRadioAdjust, ALaterCloneReadReturnsTheAdjustedValue) {
    RadioConfig config = instantConfig();
    config.blockSize = 122;
    VirtualRadio radio(config);
    roundTrip(radio, adjustRequest(0x09, 0x3C));  // POW HI, address 168
    const auto frames = radioFramesIn(answerTo(radio, cloneReadRequest()));
    ASSERT_FALSE(frames.empty());
    const DecodedBlock first = decodeBlock(frames[1]);  // addresses 122..243
    ASSERT_TRUE(first.wellFormed);
    EXPECT_EQ(first.data[168 - 122], 0x3C);
}

TEST(VirtualRadioAdjust, ChannelAndModeAreLiveStateOnly) {
    VirtualRadio radio(instantConfig());
    const Bytes before = radio.image().bytes();
    roundTrip(radio, adjustRequest(0x00, 0x0A));  // channel 10 (slot 9)
    roundTrip(radio, adjustRequest(0x02, 0x01));
    EXPECT_EQ(radio.selectedChannel(), 9);
    EXPECT_TRUE(radio.adjustMode());
    EXPECT_EQ(radio.image().bytes(), before);
}

TEST(VirtualRadioAdjust, MalformedCommandsChangeNothing) {
    VirtualRadio radio(instantConfig());
    const Bytes before = radio.image().bytes();
    for (const char* text : {"FE FE EE EF E8 30 17 01 02 09 47 30 FD",     // non-hex digit
                             "FE FE EE EF E8 30 17 01 02 09 33 FD",        // one digit
                             "FE FE EE EF E8 30 17 01 02 09 33 33 33 FD",  // three
                             "FE FE EE EF E8 30 18 01 02 09 33 33 FD",     // other model
                             "FE FE EE EF E8 30 17 01 02 7E 33 33 FD"}) {  // unknown command
        const Bytes request = hex(text);
        EXPECT_EQ(roundTrip(radio, request), request) << text;
    }
    EXPECT_EQ(radio.image().bytes(), before);
    EXPECT_EQ(radio.stats().settings, 0);
}

TEST(VirtualRadioReading, AnswerGoldenBytes) {
    VirtualRadio radio(instantConfig());
    // LVIN (code 5) with the stored RX LVA 110: 20 + 200 * 110 / 255 = 106 = 6A.
    EXPECT_EQ(answerTo(radio, adjustRequest(0x03, 0x05)),
              hex("FE FE EF EE E8 30 17 01 02 03 36 41 FD"));
    EXPECT_EQ(radio.stats().readings, 1);
}

std::uint8_t readingOf(VirtualRadio& radio, std::uint8_t code) {
    const auto frames = radioFramesIn(answerTo(radio, adjustRequest(0x03, code)));
    if (frames.size() != 1 || frames[0].size() != 10) return 0;
    return static_cast<std::uint8_t>(*asciiHexByte(frames[0][8], frames[0][9]));
}

TEST(VirtualRadioReading, ControlReadingsFollowTheirSettings) {
    struct Row {
        int code;
        std::uint8_t command;
    };
    // Reading code (decimal) against the command whose setting it shows.
    const Row rows[] = {{16, 0x13}, {17, 0x14}, {18, 0x07}, {19, 0x06}, {12, 0x05},
                        {13, 0x11}, {14, 0x0D}, {11, 0x0F}, {15, 0x08}};
    for (const Row& row : rows) {
        VirtualRadio radio(instantConfig());
        roundTrip(radio, adjustRequest(row.command, 0x5A));
        EXPECT_EQ(readingOf(radio, static_cast<std::uint8_t>(row.code)), 0x5A) << row.code;
    }
}

TEST(VirtualRadioReading, SupplyAndTemperatureStayNearTheirValues) {
    RadioConfig config = instantConfig();
    config.curves.wobble = 1;
    VirtualRadio radio(config);
    EXPECT_EQ(readingOf(radio, 0), 191);
    EXPECT_EQ(readingOf(radio, 0), 192);
    EXPECT_EQ(readingOf(radio, 0), 191);
    EXPECT_EQ(readingOf(radio, 0), 190);
    EXPECT_NEAR(readingOf(radio, 3), 174, 1);
    EXPECT_EQ(readingOf(radio, 0x42), 0);  // unknown code
}

TEST(VirtualRadioReading, LevelInputRisesWithTheLastLevelAdjustValueSent) {
    VirtualRadio radio(instantConfig());
    roundTrip(radio, adjustRequest(0x06, builtin::kRxLvaAtTarget));
    EXPECT_EQ(readingOf(radio, 5), builtin::kRxLevelTarget);
    roundTrip(radio, adjustRequest(0x07, builtin::kTxLvaAtTarget));
    EXPECT_EQ(readingOf(radio, 5), builtin::kTxLevelTarget);

    const BenchModel model;
    for (int v = 1; v <= 255; ++v)
        EXPECT_GE(model.levelInput(v), model.levelInput(v - 1));
    EXPECT_EQ(model.levelInput(0), 20);
    EXPECT_EQ(model.levelInput(255), 220);
    EXPECT_LT(model.levelInput(builtin::kRxLvaAtTarget - 1), builtin::kRxLevelTarget);
    EXPECT_LT(model.levelInput(builtin::kTxLvaAtTarget - 1), builtin::kTxLevelTarget);
}

TEST(VirtualRadioReading, UnreachableTargetWhenTheCurveStaysBelowIt) {
    BenchCurves curves;
    curves.lvinHigh = 100;
    const BenchModel model(curves);
    EXPECT_LT(model.levelInput(255), builtin::kRxLevelTarget);
}

TEST(VirtualRadioReading, DetectorHasAPlateauPerFilter) {
    const BenchModel model;
    for (int x = 0; x <= 255; ++x) {
        const bool onPlateau = x >= 60 && x <= 68;
        EXPECT_EQ(model.detector(x, 74) == 200, onPlateau) << x;
        const bool onPlateau2 = x >= 70 && x <= 78;
        EXPECT_EQ(model.detector(64, x) == 200, onPlateau2) << x;
    }
    EXPECT_LT(model.detector(59, 74), model.detector(60, 74));
    EXPECT_LT(model.detector(69, 74), model.detector(68, 74));
    EXPECT_EQ(model.detector(255, 255), 10);  // the floor

    BenchCurves narrow;
    narrow.bpfPeak[0] = 100;
    narrow.bpfWidth[0] = 0;
    const BenchModel moved(narrow);
    EXPECT_EQ(moved.detector(100, 74), 200);
    EXPECT_LT(moved.detector(99, 74), 200);
}

TEST(VirtualRadioReading, DetectorReadingFollowsTheBandPassCommands) {
    VirtualRadio radio(instantConfig());
    roundTrip(radio, adjustRequest(0x13, 64));
    roundTrip(radio, adjustRequest(0x14, 74));
    EXPECT_EQ(readingOf(radio, 4), 200);
    roundTrip(radio, adjustRequest(0x13, 54));
    EXPECT_EQ(readingOf(radio, 4), 200 - 2 * 6);
}

}  // namespace
}  // namespace qtsim
