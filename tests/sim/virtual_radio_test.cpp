#include "virtual_radio.h"

#include <gtest/gtest.h>

#include "builtin_image.h"
#include "sim_test_util.h"

namespace qtsim {
namespace {

using namespace qtsim::testing;

// Identification answer of the built-in radio: 69-byte body, format 01 at position 43,
// option flags 00 at 59, the last address "7D6F" at 66..69.
const char kIdentityGolden[] =
    "FE FE EF EE E1 30 17 01 02 3E 51 54 2D 37 31 44 52"  // positions 1..15
    " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"  // 16..42
    " 01"                                                                                // 43
    " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"                 // 44..65
    " 37 44 36 46 FD";

TEST(VirtualRadioIdentity, AnswersWithItsIdentityAfterTheEcho) {
    VirtualRadio radio(instantConfig());
    const Bytes all = roundTrip(radio, identifyRequest());
    EXPECT_EQ(all, concat(identifyRequest(), hex(kIdentityGolden)));
    EXPECT_EQ(radio.stats().identifications, 1);
}

TEST(VirtualRadioIdentity, BodyLayout) {
    VirtualRadio radio(instantConfig());
    const auto frames = radioFramesIn(answerTo(radio, identifyRequest()));
    ASSERT_EQ(frames.size(), 1u);
    const Bytes& body = frames[0];
    ASSERT_GE(body.size(), 69u);
    EXPECT_EQ(body[7], body.size() - 7);  // position 8: the count
    EXPECT_EQ(body[42], 0x01);            // position 43: format byte
    EXPECT_EQ(Bytes(body.begin() + 65, body.begin() + 69), hex("37 44 36 46"));
}

TEST(VirtualRadioIdentity, AnswersWhateverModelIsAsked) {
    VirtualRadio radio(instantConfig());
    EXPECT_EQ(radioFramesIn(answerTo(radio, hex("FE FE EE EF E0 12 34 00 00 FD"))).size(), 1u);
}

// Reads back a whole clone read: the blocks in order, covering the image once.
struct CloneReadResult {
    Bytes image;
    int blocks = 0;
    bool allWellFormed = true;
    bool contiguous = true;
    Bytes endFrame;
};

CloneReadResult readBack(const Bytes& stream) {
    CloneReadResult result;
    for (const Bytes& body : radioFramesIn(stream)) {
        if (body[2] == kCmdEndOfRead) {
            result.endFrame = body;
            continue;
        }
        const DecodedBlock block = decodeBlock(body);
        result.allWellFormed = result.allWellFormed && block.wellFormed;
        result.contiguous = result.contiguous && block.address == int(result.image.size());
        result.image.insert(result.image.end(), block.data.begin(), block.data.end());
        ++result.blocks;
    }
    return result;
}

class VirtualRadioCloneRead : public ::testing::TestWithParam<int> {};

TEST_P(VirtualRadioCloneRead, SendsTheWholeImageInBlocksThenTheEndFrame) {
    RadioConfig config = instantConfig();
    config.blockSize = GetParam();
    VirtualRadio radio(config);
    const CloneReadResult read = readBack(answerTo(radio, cloneReadRequest()));

    const int expectedBlocks = (MemoryImage::kSizeBytes + GetParam() - 1) / GetParam();
    EXPECT_EQ(read.blocks, expectedBlocks);
    EXPECT_TRUE(read.allWellFormed);
    EXPECT_TRUE(read.contiguous);
    EXPECT_EQ(read.image, radio.image().bytes());
    Bytes end = hex("EF EE E5 56 65 78 61 20 49 6E 63 2E");
    appendAsciiHex(end, static_cast<std::uint8_t>(expectedBlocks % 256));
    EXPECT_EQ(read.endFrame, end);
}

INSTANTIATE_TEST_SUITE_P(BlockSizes, VirtualRadioCloneRead, ::testing::Values(1, 2, 16, 100, 122));

TEST(VirtualRadioCloneReadGolden, BlockOfTwoAt0010) {
    RadioConfig config = instantConfig();
    config.blockSize = 2;
    MemoryImage image;
    image.write(0x10, 0xAB);
    image.write(0x11, 0xCD);
    VirtualRadio radio(config, image);
    const Bytes stream = answerTo(radio, cloneReadRequest());
    const Bytes golden = hex("FE FE EF EE E4 30 30 31 30 30 32 41 42 43 44 37 36 FD");
    EXPECT_NE(std::search(stream.begin(), stream.end(), golden.begin(), golden.end()),
              stream.end());
}

TEST(VirtualRadioCloneReadGolden, DefaultReadIs2007BlocksEndingWithCountD7) {
    VirtualRadio radio(instantConfig());
    const Bytes stream = answerTo(radio, cloneReadRequest());
    const Bytes end = hex("FE FE EF EE E5 56 65 78 61 20 49 6E 63 2E 44 37 FD");
    ASSERT_GE(stream.size(), end.size());
    EXPECT_EQ(Bytes(stream.end() - static_cast<std::ptrdiff_t>(end.size()), stream.end()), end);
    EXPECT_EQ(radio.stats().blocksSent, 2007);
}

TEST(VirtualRadioCloneRead, IgnoresARequestForAnotherModel) {
    VirtualRadio radio(instantConfig());
    const Bytes request = hex("FE FE EE EF E2 30 18 01 02 FD");
    EXPECT_EQ(roundTrip(radio, request), request);  // the echo only
    EXPECT_EQ(radio.stats().cloneReads, 0);
}

TEST(VirtualRadioFrames, IgnoresFramesNotAddressedToIt) {
    VirtualRadio radio(instantConfig());
    for (const char* text : {"FE FE EF EE E0 30 17 00 00 FD", "FE FE EE 00 E0 30 17 00 00 FD",
                             "FE FE EE EF FD", "FE FE EE EF 77 30 17 FD"}) {
        const Bytes request = hex(text);
        EXPECT_EQ(roundTrip(radio, request), request) << text;
    }
    EXPECT_EQ(radio.stats().identifications, 0);
}

}  // namespace
}  // namespace qtsim
