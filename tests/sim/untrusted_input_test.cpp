#include <gtest/gtest.h>

#include <cstdint>

#include "sim_test_util.h"
#include "virtual_radio.h"

namespace qtsim {
namespace {

using namespace qtsim::testing;

// Random bytes, rich in frame marks and the radio's addresses, fed in random pieces: the
// radio must neither crash nor grow without bound, and must still answer afterwards.
TEST(VirtualRadioUntrustedInput, RandomStreamsAreSurvived) {
    const std::uint8_t interesting[] = {0xFE, 0xFD, 0xEE, 0xEF, 0xE0, 0xE2, 0xE8,
                                        0x30, 0x17, 0x01, 0x02, 0x03, '0',  'F'};
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    RadioConfig config = instantConfig();
    config.blockSize = 122;
    VirtualRadio radio(config);
    for (int round = 0; round < 2000; ++round) {
        Bytes piece(next() % 40);
        for (auto& b : piece) {
            b = (next() % 2) ? interesting[next() % sizeof(interesting)]
                             : static_cast<std::uint8_t>(next());
        }
        radio.fromProgram(piece, round);
        radio.toProgram(round);
    }
    radio.lineClosed();
    EXPECT_EQ(radioFramesIn(answerTo(radio, identifyRequest())).size(), 1u);
}

TEST(VirtualRadioUntrustedInput, EmptyAndTinyWrites) {
    VirtualRadio radio(instantConfig());
    EXPECT_TRUE(roundTrip(radio, {}).empty());
    EXPECT_EQ(roundTrip(radio, {0xFE}), Bytes{0xFE});
    EXPECT_EQ(roundTrip(radio, {0xFD}), Bytes{0xFD});
    EXPECT_EQ(radio.stats().ignoredFrames, 0);
}

}  // namespace
}  // namespace qtsim
