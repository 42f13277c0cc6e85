// A key that changes an item puts its command on the wire at once, without waiting for the
// next heartbeat, while the wait after a command still holds the next one back.
#include <gtest/gtest.h>

#include "shell/main_window.h"
#include "whole_program.h"

namespace qs::whole {
namespace {

struct KeyCase {
    const char* name;
    int row;
    std::int16_t key;
    int command;
    int delta;
};

class KeyToWire : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyToWire, CommandIsOnTheCableBeforeAnyTick) {
    const KeyCase& c = GetParam();
    WholeProgram p;
    ASSERT_TRUE(p.Connect());
    p.SelectRow(c.row);
    const std::size_t before = p.Settings().size();
    const int value = p.console().Value(static_cast<std::int16_t>(c.row));
    p.Key(c.key);
    // No Tick: neither time nor the timer moved.
    const std::vector<WholeProgram::Adjustment> sent = p.Settings();
    ASSERT_EQ(sent.size(), before + 1);
    EXPECT_EQ(sent.back().command, c.command);
    EXPECT_EQ(sent.back().value, value + c.delta);
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyToWire,
                         ::testing::Values(KeyCase{"PowerHiRight", 1, kKeyRight, 9, 1},
                                           KeyCase{"PowerL1Left", 3, kKeyLeft, 11, -1},
                                           KeyCase{"SqlRight", 7, kKeyRight, 8, 1}),
                         [](const ::testing::TestParamInfo<KeyCase>& info) {
                             return info.param.name;
                         });

TEST(KeyToWire, WaitAfterACommandStillHoldsTheNextPress) {
    WholeProgram p;
    ASSERT_TRUE(p.Connect());
    p.SelectRow(1);  // Power(Hi): 200 ms after each command
    const std::size_t before = p.Settings().size();
    const int value = p.console().Value(1);
    p.Key(kKeyRight);
    p.Key(kKeyRight);
    EXPECT_EQ(p.Settings().size(), before + 1);
    p.RunFor(3);  // 150 ms: the wait still runs
    EXPECT_EQ(p.Settings().size(), before + 1);
    p.RunFor(2);  // 250 ms
    const std::vector<WholeProgram::Adjustment> sent = p.Settings();
    ASSERT_EQ(sent.size(), before + 2);
    EXPECT_EQ(sent.back().value, value + 2);
}

}  // namespace
}  // namespace qs::whole
