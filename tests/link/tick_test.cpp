#include <gtest/gtest.h>

#include "fakes/fake_clock.h"
#include "link/tick.h"

namespace qs {
namespace {

TEST(Tick, NotStartedReadsZero) {
    FakeClock clock(500);
    clsCmcTick tick(clock);
    EXPECT_EQ(tick.counter(), 0);
}

TEST(Tick, CountsDownAndStaysEnded) {
    FakeClock clock(1000);
    clsCmcTick tick(clock);
    tick.setCounter(1000);
    EXPECT_EQ(tick.counter(), 1000);
    clock.advance(400);
    EXPECT_EQ(tick.counter(), 600);
    clock.advance(599);
    EXPECT_EQ(tick.counter(), 1);
    clock.advance(1);
    EXPECT_EQ(tick.counter(), 0);
    // Once ended it stays ended, even if the clock were to go back.
    clock.set(1000);
    EXPECT_EQ(tick.counter(), 0);
}

TEST(Tick, ZeroDurationEndsAtFirstReading) {
    FakeClock clock(7);
    clsCmcTick tick(clock);
    tick.setCounter(0);
    EXPECT_EQ(tick.counter(), 0);
}

TEST(Tick, RestartTakesTheNewStart) {
    FakeClock clock(0);
    clsCmcTick tick(clock);
    tick.setCounter(100);
    clock.advance(90);
    tick.setCounter(100);
    clock.advance(50);
    EXPECT_EQ(tick.counter(), 50);
}

struct WrapCase {
    const char* name;
    std::int32_t start;
    std::int32_t advanceMs;
    std::int32_t duration;
    std::int32_t expected;
};

class TickWrap : public ::testing::TestWithParam<WrapCase> {};

TEST_P(TickWrap, Remaining) {
    const WrapCase& c = GetParam();
    FakeClock clock(c.start);
    clsCmcTick tick(clock);
    tick.setCounter(c.duration);
    clock.advance(c.advanceMs);
    EXPECT_EQ(tick.counter(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TickWrap,
    ::testing::Values(
        // Across the wrap from 2147483647 to -2147483648.
        WrapCase{"AcrossWrapStillRunning", 2147483647 - 100, 300, 1000, 700},
        WrapCase{"AcrossWrapExactlyAtTop", 2147483647, 1, 1000, 999},
        WrapCase{"AcrossWrapEnded", 2147483647 - 100, 1000, 1000, 0},
        WrapCase{"AcrossWrapElapsedOneBeforeEnd", 2147483647 - 10, 1199, 1200, 1},
        // Negative ticks that have not wrapped count normally.
        WrapCase{"NegativeTicks", -5000, 300, 1000, 700}),
    [](const ::testing::TestParamInfo<WrapCase>& info) { return info.param.name; });

TEST(Tick, StaleStartTickStopsTheCountdown) {
    FakeClock clock(INT32_MIN);
    clsCmcTick tick(clock);
    tick.setCounter(INT32_MAX);
    clock.set(0);  // half the range away: too far to be a real wait
    EXPECT_EQ(tick.counter(), 0);
}

TEST(Tick, WrapFromTheLowerHalfIsNotAWrap) {
    FakeClock clock(1073741824 + 5);
    clsCmcTick tick(clock);
    tick.setCounter(1000);
    clock.set(-1);
    EXPECT_EQ(tick.counter(), 0);
}

TEST(Tick, BackwardsClockStopsTheCountdown) {
    FakeClock clock(5000);
    clsCmcTick tick(clock);
    tick.setCounter(1000);
    clock.set(4000);
    EXPECT_EQ(tick.counter(), 0);
    clock.set(5000);
    EXPECT_EQ(tick.counter(), 0);
}

}  // namespace
}  // namespace qs
