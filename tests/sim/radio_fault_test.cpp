#include <gtest/gtest.h>

#include "faults.h"
#include "sim_test_util.h"
#include "virtual_radio.h"

namespace qtsim {
namespace {

using namespace qtsim::testing;

VirtualRadio faultyRadio(const char* fault) {
    RadioConfig config = instantConfig();
    std::string error;
    EXPECT_TRUE(applyFault(fault, config.faults, &error)) << error;
    return VirtualRadio(config);
}

std::vector<Bytes> blocksOf(const std::vector<Bytes>& frames) {
    std::vector<Bytes> blocks;
    for (const Bytes& body : frames) {
        if (body[2] == kCmdDataBlock) blocks.push_back(body);
    }
    return blocks;
}

TEST(VirtualRadioFaults, NoEchoReturnsNothingAtAll) {
    VirtualRadio radio = faultyRadio("no-echo");
    EXPECT_TRUE(roundTrip(radio, identifyRequest()).empty());
    EXPECT_TRUE(roundTrip(radio, cloneReadRequest()).empty());
}

TEST(VirtualRadioFaults, NoAnswerReturnsOnlyTheEcho) {
    VirtualRadio radio = faultyRadio("no-answer");
    EXPECT_EQ(roundTrip(radio, identifyRequest()), identifyRequest());
    EXPECT_EQ(roundTrip(radio, adjustRequest(0x03, 0x05)), adjustRequest(0x03, 0x05));
}

TEST(VirtualRadioFaults, SilentAfterTenBlocks) {
    VirtualRadio radio = faultyRadio("silent-after=10");
    const auto frames = radioFramesIn(answerTo(radio, cloneReadRequest()));
    EXPECT_EQ(frames.size(), 10u);
    EXPECT_EQ(blocksOf(frames).size(), 10u);
}

TEST(VirtualRadioFaults, IdentityFaults) {
    struct Row {
        const char* fault;
        std::size_t position;  // body position, from 1
        std::uint8_t value;
    };
    const Row rows[] = {
        {"other-model", 5, 0x18}, {"refused-sub", 6, 0x02},    {"refused-sub", 7, 0x00},
        {"bad-format", 43, 0x02}, {"bad-format=00", 43, 0x00}, {"bad-format=7f", 43, 0x7F},
    };
    for (const Row& row : rows) {
        VirtualRadio radio = faultyRadio(row.fault);
        const auto frames = radioFramesIn(answerTo(radio, identifyRequest()));
        ASSERT_EQ(frames.size(), 1u) << row.fault;
        EXPECT_EQ(frames[0][row.position - 1], row.value) << row.fault;
    }
}

TEST(VirtualRadioFaults, OtherModelIgnoresRequestsForTheRightOne) {
    VirtualRadio radio = faultyRadio("other-model");
    EXPECT_EQ(roundTrip(radio, cloneReadRequest()), cloneReadRequest());
}

TEST(VirtualRadioFaults, BadChecksumInBlockFiveOnly) {
    VirtualRadio radio = faultyRadio("bad-checksum=5");
    const auto blocks = blocksOf(radioFramesIn(answerTo(radio, cloneReadRequest())));
    ASSERT_EQ(blocks.size(), 2007u);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        EXPECT_EQ(decodeBlock(blocks[i]).wellFormed, i != 4) << i;
    }
}

TEST(VirtualRadioFaults, BlockOutsideTheImageComesAfterTheLast) {
    VirtualRadio radio = faultyRadio("block-outside");
    const auto frames = radioFramesIn(answerTo(radio, cloneReadRequest()));
    const auto blocks = blocksOf(frames);
    ASSERT_EQ(blocks.size(), 2008u);
    const DecodedBlock extra = decodeBlock(blocks.back());
    EXPECT_TRUE(extra.wellFormed);
    EXPECT_EQ(extra.address, 0x7D70);
    EXPECT_EQ(extra.data.size(), 16u);
}

TEST(VirtualRadioFaults, EndCountOneTooMany) {
    VirtualRadio radio = faultyRadio("end-count");
    const auto frames = radioFramesIn(answerTo(radio, cloneReadRequest()));
    ASSERT_FALSE(frames.empty());
    const Bytes& end = frames.back();
    ASSERT_EQ(end.size(), 14u);
    EXPECT_EQ(*asciiHexByte(end[12], end[13]), (2007 + 1) % 256);
}

TEST(VirtualRadioFaults, NoiseNeverFormsFrameMarksAndLeavesFramesIntact) {
    RadioConfig clean = instantConfig();
    VirtualRadio reference(clean);
    VirtualRadio radio = faultyRadio("noise");
    const Bytes noisy = answerTo(radio, cloneReadRequest());
    const Bytes plain = answerTo(reference, cloneReadRequest());
    EXPECT_GT(noisy.size(), plain.size());
    EXPECT_EQ(radioFramesIn(noisy), radioFramesIn(plain));
    // Between an end mark and the next preamble there is noise, and never FE or FD.
    std::size_t noiseBytes = 0;
    bool between = true;
    for (std::size_t i = 0; i < noisy.size(); ++i) {
        if (noisy[i] == kEndMark) {
            between = true;
        } else if (noisy[i] == kPreamble) {
            between = false;
        } else if (between) {
            ++noiseBytes;
        }
    }
    EXPECT_GE(noiseBytes, 2008u);
}

TEST(VirtualRadioFaults, DroppedByteMakesBlockFiveEven) {
    VirtualRadio radio = faultyRadio("drop-byte=5");
    const auto blocks = blocksOf(radioFramesIn(answerTo(radio, cloneReadRequest())));
    ASSERT_EQ(blocks.size(), 2007u);
    EXPECT_EQ(blocks[4].size() % 2, 0u);
    EXPECT_EQ(blocks[3].size() % 2, 1u);
}

TEST(VirtualRadioFaults, ReadingAnswerFaults) {
    struct Row {
        const char* fault;
        const char* answer;
    };
    // LVIN with the stored RX LVA gives 6A.
    const Row rows[] = {
        {"reading-length", "FE FE EF EE E8 30 17 01 02 03 30 36 41 FD"},
        {"reading-identity", "FE FE EF EE E8 30 18 01 02 03 36 41 FD"},
        {"reading-digits", "FE FE EF EE E8 30 17 01 02 03 47 48 FD"},
    };
    for (const Row& row : rows) {
        VirtualRadio radio = faultyRadio(row.fault);
        EXPECT_EQ(answerTo(radio, adjustRequest(0x03, 0x05)), hex(row.answer)) << row.fault;
    }
}

TEST(VirtualRadioFaults, HangUpSilencesTheLineUntilItIsClosed) {
    VirtualRadio radio = faultyRadio("hang-up=100");
    const auto frames = radioFramesIn(answerTo(radio, cloneReadRequest()));
    EXPECT_EQ(frames.size(), 100u);
    EXPECT_TRUE(radio.hungUp());
    EXPECT_TRUE(roundTrip(radio, identifyRequest()).empty());  // not even the echo
    radio.lineClosed();
    EXPECT_FALSE(radio.hungUp());
    EXPECT_EQ(radioFramesIn(answerTo(radio, identifyRequest())).size(), 1u);
}

TEST(VirtualRadioFaults, FaultNamesAndValues) {
    Faults faults;
    std::string error;
    EXPECT_FALSE(faults.any());
    EXPECT_TRUE(applyFault("silent-after", faults, &error));
    EXPECT_EQ(faults.silentAfterBlocks, 10);
    EXPECT_TRUE(faults.any());
    EXPECT_FALSE(applyFault("no-such-fault", faults, &error));
    EXPECT_NE(error.find("no-such-fault"), std::string::npos);
    EXPECT_FALSE(applyFault("no-echo=3", faults, &error));
    EXPECT_FALSE(applyFault("bad-checksum=x", faults, &error));
    EXPECT_FALSE(applyFault("bad-checksum=-1", faults, &error));
    EXPECT_FALSE(applyFault("bad-format=100", faults, &error));
    EXPECT_FALSE(applyFault("", faults, &error));
    EXPECT_TRUE(applyFault("monitor-mute-at=-47", faults, &error));
    EXPECT_EQ(faults.monitorMuteAtDbm, -47);
    EXPECT_FALSE(applyFault("monitor-mute-at=-141", faults, &error));
    EXPECT_FALSE(applyFault("monitor-mute-at=14", faults, &error));
    EXPECT_EQ(faultHelpLines().size(), 16u);
}

}  // namespace
}  // namespace qtsim
