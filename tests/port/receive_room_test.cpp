// What a port may read and when received bytes count as lost, on a fake clock: a line faster
// than the program's looks is held by the driver, never taken for an overflow; the driver's
// own loss counters and a buffer the program stops taking are.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "port/receive_room.h"

namespace qs::port_test {
namespace {

TEST(ReceiveRoom, RoomIsWhatTheBufferHasLeftNeverLess) {
    EXPECT_EQ(ReceiveRoom::Room(0, 32760), 32760);
    EXPECT_EQ(ReceiveRoom::Room(32759, 32760), 1);
    EXPECT_EQ(ReceiveRoom::Room(32760, 32760), 0);
    EXPECT_EQ(ReceiveRoom::Room(40000, 32760), 0);
}

// One look every `stepMs`: the port's holding and the driver's count at each.
struct Look {
    int afterMs;
    std::int64_t held;
    bool moreWaiting;
    std::optional<std::int64_t> lostCount;
    bool taken = false;  // the program took the data before this look
};

struct Case {
    std::string name;
    std::optional<std::int64_t> lostAtOpening;
    std::vector<Look> looks;
    int reportedAtLook;  // -1: no loss reported
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class ReceiveRoomLooks : public ::testing::TestWithParam<Case> {};

TEST_P(ReceiveRoomLooks, LossIsReportedOnceAndOnlyWhenReal) {
    const Case& c = GetParam();
    constexpr std::int64_t kCapacity = 100;
    FakeClock clock(2147483000);  // the tick counter wraps during the looks
    ReceiveRoom room(clock);
    room.Opened(c.lostAtOpening);
    int reported = -1;
    for (std::size_t i = 0; i < c.looks.size(); ++i) {
        const Look& look = c.looks[i];
        clock.advance(look.afterMs);
        if (look.taken) room.Taken();
        if (room.Look(look.held, kCapacity, look.moreWaiting, look.lostCount)) {
            ASSERT_EQ(reported, -1) << "reported twice";
            reported = static_cast<int>(i);
        }
    }
    EXPECT_EQ(reported, c.reportedAtLook);
    EXPECT_EQ(room.lossReported(), c.reportedAtLook >= 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReceiveRoomLooks,
    ::testing::Values(
        // A pseudo-terminal: full with more behind, taken every heartbeat.
        Case{"FastLineTakenInTime",
             std::nullopt,
             {{50, 100, true, std::nullopt},
              {50, 100, true, std::nullopt, true},
              {1900, 100, true, std::nullopt},
              {50, 100, true, std::nullopt, true},
              {1990, 100, true, std::nullopt}},
             -1},
        // A stalled heartbeat shorter than the bound.
        Case{"HeldBrieflyLosesNothing",
             std::nullopt,
             {{0, 100, true, std::nullopt}, {1999, 100, true, std::nullopt}},
             -1},
        // Nobody takes the data: lost at the bound, once.
        Case{"StaysFullIsALoss",
             std::nullopt,
             {{0, 100, true, std::nullopt},
              {1000, 100, true, std::nullopt},
              {1000, 100, true, std::nullopt},
              {5000, 100, true, std::nullopt}},
             2},
        // Full but nothing behind: nothing can have been dropped.
        Case{"FullWithNothingBehind",
             std::nullopt,
             {{0, 100, false, std::nullopt}, {5000, 100, false, std::nullopt}},
             -1},
        // Not full: the clock of a full buffer starts again.
        Case{"EmptiedInBetween",
             std::nullopt,
             {{0, 100, true, std::nullopt},
              {1500, 40, true, std::nullopt},
              {100, 100, true, std::nullopt},
              {1500, 100, true, std::nullopt}},
             -1},
        // A driver that counts: a rise since the opening is a loss at once.
        Case{"DriverCountRises",
             std::int64_t{7},
             {{10, 3, false, std::int64_t{7}}, {10, 3, false, std::int64_t{9}}},
             1},
        Case{"DriverCountSteady",
             std::int64_t{7},
             {{10, 100, false, std::int64_t{7}}, {3000, 50, false, std::int64_t{7}}},
             -1},
        // Counters reset by another program are a new baseline, not a loss.
        Case{"DriverCountReset",
             std::int64_t{50},
             {{10, 3, false, std::int64_t{0}},
              {10, 3, false, std::int64_t{0}},
              {10, 3, false, std::int64_t{1}}},
             2},
        // A count that appears only later has no baseline: not taken for a loss.
        Case{"CountWithoutBaseline", std::nullopt, {{10, 3, false, std::int64_t{400}}}, -1}),
    [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

TEST(ReceiveRoom, OpeningAgainForgetsAReportedLoss) {
    FakeClock clock;
    ReceiveRoom room(clock);
    room.Opened(std::int64_t{0});
    EXPECT_TRUE(room.Look(1, 100, false, std::int64_t{1}));
    EXPECT_FALSE(room.Look(1, 100, false, std::int64_t{2}));
    room.Opened(std::int64_t{2});
    EXPECT_FALSE(room.Look(1, 100, false, std::int64_t{2}));
    EXPECT_TRUE(room.Look(1, 100, false, std::int64_t{3}));
}

}  // namespace
}  // namespace qs::port_test
