#include <gtest/gtest.h>

#include <vector>

#include "arrival_pattern.h"

namespace qtsim {
namespace {

TEST(ArrivalPattern, ParsesTheThreePatternsAndRefusesTheRest) {
    struct Row {
        const char* text;
        bool ok;
        const char* canonical;
    };
    const Row rows[] = {
        {"byte", true, "byte"},           {"chunks", true, "chunks=16/16"},
        {"chunks=62/2", true, "chunks=62/2"}, {"bursts", true, "bursts=256/20"},
        {"bursts=64/5", true, "bursts=64/5"}, {"byte=1", false, ""},
        {"chunks=16", false, ""},         {"chunks=0/16", false, ""},
        {"bursts=8/1001", false, ""},     {"lumps", false, ""},
    };
    for (const Row& row : rows) {
        ArrivalPattern pattern;
        std::string error;
        EXPECT_EQ(parseArrival(row.text, pattern, &error), row.ok) << row.text;
        if (row.ok) {
            EXPECT_EQ(arrivalText(pattern), row.canonical);
        } else {
            EXPECT_FALSE(error.empty()) << row.text;
        }
    }
}

// A byte a millisecond from the line for 100 ms: when do bytes reach the terminal?
std::vector<std::pair<int, int>> Shape(const char* text) {
    ArrivalPattern pattern;
    EXPECT_TRUE(parseArrival(text, pattern, nullptr));
    ArrivalShaper shaper(pattern);
    shaper.opened(0);
    std::vector<std::pair<int, int>> handed;  // (ms, bytes)
    int total = 0;
    for (int ms = 1; ms <= 300; ++ms) {
        if (ms <= 100) shaper.feed(Bytes{static_cast<std::uint8_t>(ms)}, ms);
        const Bytes out = shaper.take(ms);
        for (std::uint8_t b : out) EXPECT_EQ(b, ++total);  // every byte once, in order
        if (!out.empty()) handed.emplace_back(ms, static_cast<int>(out.size()));
    }
    EXPECT_EQ(total, 100);
    EXPECT_FALSE(shaper.holding());
    return handed;
}

TEST(ArrivalShaper, HandsTheSameBytesOverAtThePatternsMoments) {
    EXPECT_EQ(Shape("byte").size(), 100u);
    // The latency timer every 16 ms; 16 bytes fill a packet on the tick itself.
    const auto chunks = Shape("chunks=16/16");
    ASSERT_EQ(chunks.size(), 7u);
    EXPECT_EQ(chunks.front(), std::make_pair(16, 16));
    EXPECT_EQ(chunks.back(), std::make_pair(112, 4));
    // 40-byte bursts, the rest 20 ms after the line went idle.
    const auto bursts = Shape("bursts=40/20");
    EXPECT_EQ(bursts, (std::vector<std::pair<int, int>>{{40, 40}, {80, 40}, {120, 20}}));
}

}  // namespace
}  // namespace qtsim
