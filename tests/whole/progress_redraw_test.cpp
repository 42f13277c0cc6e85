// During a paced clone read the heartbeat runs for every arrival of data, but the progress
// label is written only when its text changes: at most once per each of its 32 steps.
#include <gtest/gtest.h>

#include <string>

#include "whole_program.h"

namespace qs::whole {
namespace {

TEST(ProgressRedraw, LabelIsWrittenOnlyWhenItsTextChanges) {
    WholeProgram p;  // 9600 bit/s: the read takes about 1900 heartbeats
    const int atStart = p.win.lblProgress.captionCount();
    ASSERT_TRUE(p.Connect());
    // 33 read texts (no cell to all 32) and the 7 load steps.
    EXPECT_LE(p.win.lblProgress.captionCount() - atStart, 33 + 7);
    EXPECT_EQ(p.win.lblProgress.caption(), std::string(32, 'o'));
}

}  // namespace
}  // namespace qs::whole
