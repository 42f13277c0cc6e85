// The reading value of answers that fail their check: never outside 0..255, whatever bytes
// stand where the digits belong.
#include <gtest/gtest.h>

#include "model/reading_text.h"

namespace qs {
namespace {

TEST(ReadingValueBounds, NonDigitsGiveZeroNotANegativeValue) {
    const Bytes answer{0x30, 0x17, 0x01, 0x02, 0x03, 0x01, 0x02};
    EXPECT_EQ(E8AnswerValue(answer), 0);
    EXPECT_EQ(E8AnswerValue(Bytes{0x30, 0x17, 0x01, 0x02, 0x03, 'G', '7'}), 0);
    EXPECT_EQ(E8AnswerValue(Bytes{0x30, 0x17, 0x01, 0x02, 0x03, '7', 0xFF}), 0);
}

TEST(ReadingValueBounds, EveryPairOfBytesStaysInRange) {
    Bytes answer{0x30, 0x17, 0x01, 0x02, 0x03, 0, 0};
    for (int high = 0; high < 256; ++high) {
        for (int low = 0; low < 256; ++low) {
            answer[5] = static_cast<std::uint8_t>(high);
            answer[6] = static_cast<std::uint8_t>(low);
            const auto v = E8AnswerValue(answer);
            ASSERT_GE(v, 0);
            ASSERT_LE(v, 255);
        }
    }
}

}  // namespace
}  // namespace qs
