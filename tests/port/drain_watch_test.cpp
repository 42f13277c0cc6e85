// The transmit drain bound: a queue that does not move for a whole check is a stalled line.
#include <gtest/gtest.h>

#include <vector>

#include "port/drain_watch.h"

namespace qs::port_test {
namespace {

using Verdict = DrainWatch::Verdict;

struct Step {
    std::int64_t written;
    std::int64_t queued;
    Verdict verdict;
};

struct DrainCase {
    const char* name;
    std::int64_t written;  // at the write that arms the check
    std::int64_t queued;
    std::vector<Step> checks;
};

TEST(DrainWatchTest, VerdictAtEachCheck) {
    const DrainCase cases[] = {
        {"everything left before the check", 12, 12, {{12, 0, Verdict::Drained}}},
        {"nothing left at all", 12, 12, {{12, 12, Verdict::Stalled}}},
        {"slowly moving, then drained", 40, 40,
         {{40, 30, Verdict::Draining}, {40, 5, Verdict::Draining}, {40, 0, Verdict::Drained}}},
        {"moving, then stuck", 40, 40, {{40, 30, Verdict::Draining}, {40, 30, Verdict::Stalled}}},
        // A second frame written meanwhile keeps the queue the same size although the first
        // one left: that is progress, not a stall.
        {"new frame behind one that left", 20, 20,
         {{40, 20, Verdict::Draining}, {40, 0, Verdict::Drained}}},
    };
    for (const DrainCase& c : cases) {
        SCOPED_TRACE(c.name);
        DrainWatch watch;
        ASSERT_TRUE(watch.Written(c.written, c.queued));
        for (const Step& step : c.checks) {
            EXPECT_EQ(watch.Check(step.written, step.queued), step.verdict);
        }
        EXPECT_FALSE(watch.armed());
    }
}

TEST(DrainWatchTest, ArmsOnlyForBytesLeftWaitingAndOnlyOnce) {
    DrainWatch watch;
    EXPECT_FALSE(watch.Written(10, 0));
    EXPECT_TRUE(watch.Written(20, 10));
    EXPECT_FALSE(watch.Written(30, 20));
    watch.Reset();
    EXPECT_FALSE(watch.armed());
    EXPECT_TRUE(watch.Written(30, 20));
}

}  // namespace
}  // namespace qs::port_test
