// The adjustment loop's search against measurement curves of every shape a bench shows:
// rising, falling, flat at first, coarse, out of reach, tolerances tighter than one step.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "procedure/adjust_search.h"

namespace qs::procedure {
namespace {

using End = AdjustSearch::End;

struct Row {
    const char* name;
    std::function<double(int)> curve;
    int start;
    double target;
    double tolerance;
    int maxSettings;
    End end;
    int value;     // where it ends: the best value
    int settings;  // settings made
};

double Power(int item) {
    return std::round(800.0 * (item / 255.0) * (item / 255.0)) / 100.0;
}

TEST(AdjustSearchTest, FindsTheValueOrSaysWhyNot) {
    const Row rows[] = {
        {"already within", Power, 200, 5.0, 0.2, 40, End::Met, 200, 0},
        {"rising power", Power, 200, 5.5, 0.1, 40, End::Met, 212, 3},
        {"falling deviation", [](int v) { return 30.0 * v; }, 150, 2900, 100, 60, End::Met, 97, 4},
        {"falling the other way", [](int v) { return 1000.0 - 10.0 * v; }, 10, 300, 5, 40,
         End::Met, 70, 4},
        {"beyond the top limit", Power, 200, 9.0, 0.1, 40, End::AtLimit, 255, 4},
        {"beyond the bottom limit", [](int v) { return 30.0 * v; }, 5, -100, 10, 40,
         End::AtLimit, 0, 2},
        {"tighter than one step", Power, 200, 5.5, 0.01, 40, End::Between, 211, 4},
        {"max_steps too few", [](int v) { return 30.0 * v; }, 150, 2900, 100, 2,
         End::Exhausted, 145, 2},
        {"flat at first", [](int v) { return v < 140 ? 1.0 : 1.0 + (v - 140) * 0.1; }, 100, 3.0,
         0.05, 40, End::Met, 160, 8},
        {"at the top limit already", [](int v) { return v / 10.0; }, 255, 20.0, 0.05, 40,
         End::Met, 200, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AdjustSearch search({row.start, 0, 255, row.target, row.tolerance, row.maxSettings});
        search.Measured(row.curve(row.start));
        std::vector<int> seen{row.start};
        while (const auto next = search.Next()) {
            ASSERT_GE(*next, 0);
            ASSERT_LE(*next, 255);
            // Never the same value twice.
            ASSERT_EQ(std::count(seen.begin(), seen.end(), *next), 0) << *next;
            seen.push_back(*next);
            search.Measured(row.curve(*next));
        }
        EXPECT_EQ(search.end(), row.end);
        EXPECT_EQ(search.best().value, row.value);
        EXPECT_EQ(search.settings(), row.settings);
        EXPECT_LE(search.settings(), row.maxSettings);
    }
}

// A noisy meter cannot throw the item far: each move is at most four times the one before.
TEST(AdjustSearchTest, MovesGrowAtMostFourfold) {
    int reading = 0;
    const double noisy[] = {1.0, 1.0001, 50.0, 50.0, 50.0, 50.0, 50.0};
    AdjustSearch search({100, 0, 255, 40.0, 0.5, 6});
    search.Measured(noisy[reading++]);
    int last = 100;
    int lastMove = 1;
    while (const auto next = search.Next()) {
        EXPECT_LE(std::abs(*next - last), 4 * std::max(1, lastMove)) << *next;
        lastMove = std::abs(*next - last);
        last = *next;
        search.Measured(noisy[std::min(reading++, 6)]);
    }
}

}  // namespace
}  // namespace qs::procedure
