// A technician's adjustments against the virtual radio: keys, balance mirrors, automatic
// operations, and a reconnect that reads the stored values back.
#include <algorithm>

#include <gtest/gtest.h>

#include "builtin_image.h"
#include "shell/main_window.h"
#include "whole_program.h"

namespace qs::whole {
namespace {

namespace builtin = qtsim::builtin;


TEST(AdjustTest, KeyOnPowerHiGoesOnWireAtNextTickAndIntoImage) {
    WholeProgram p;
    ASSERT_TRUE(p.Connect());
    const std::size_t before = p.Settings().size();
    p.SelectRow(1);
    p.Key(kKeyRight, kShiftMaskShift);
    EXPECT_EQ(p.console().Value(1), builtin::kPowerHi + 5);
    p.Tick();
    std::vector<WholeProgram::Adjustment> sent = p.Settings();
    ASSERT_EQ(sent.size(), before + 1);
    EXPECT_EQ(sent.back().command, 9);
    EXPECT_EQ(sent.back().value, builtin::kPowerHi + 5);
    EXPECT_EQ(p.image().ReadByte(168), builtin::kPowerHi + 5);
    p.RunFor(2);
    EXPECT_EQ(p.radio().image().read(168), builtin::kPowerHi + 5);
    EXPECT_EQ(p.win.lboConsole.List(1), " Power(Hi): 205 [################----]");
}

TEST(AdjustTest, BalanceWithThreeDifferingMirrorsLeavesFourBytesEqual) {
    qtsim::MemoryImage image = qtsim::MemoryImage::builtIn();
    image.write(113, 10);
    image.write(99, 11);
    image.write(120, 12);
    WholeProgram p;
    p.PlugRadio({}, image);
    ASSERT_TRUE(p.Connect());
    std::vector<int> commands;
    bool afterBalance = false;
    for (const auto& a : p.Settings()) {
        if (a.command == 17) afterBalance = true;
        if (afterBalance &&
            (a.command == 16 || a.command == 17 || a.command == 18 || a.command == 27)) {
            commands.push_back(a.command);
            EXPECT_EQ(a.value, builtin::kBalance);
        }
    }
    EXPECT_EQ(commands, (std::vector<int>{17, 18, 17, 16, 17, 27, 17}));
    for (int address : {106, 113, 99, 120}) {
        EXPECT_EQ(p.image().ReadByte(address), builtin::kBalance) << address;
        EXPECT_EQ(p.radio().image().read(address), builtin::kBalance) << address;
    }

    // A later key press on the balance item, mirrors now equal: 17 alone, then three mirrors.
    const std::size_t before = p.Settings().size();
    p.SelectRow(4);
    p.Key(kKeyLeft);
    p.RunFor(60);
    std::vector<int> later;
    for (std::size_t i = before; i < p.Settings().size(); ++i)
        later.push_back(p.Settings()[i].command);
    EXPECT_EQ(later, (std::vector<int>{17, 18, 17, 16, 17, 27, 17}));
    for (int address : {106, 113, 99, 120}) {
        EXPECT_EQ(p.radio().image().read(address), builtin::kBalance - 1) << address;
    }
}

TEST(AdjustTest, EnterOnBandPassItemSweepsToMiddleOfPlateau) {
    WholeProgram p;
    ASSERT_TRUE(p.Connect());
    p.SelectRow(kBpfT1Row);
    p.Key(kKeyEnter);
    ASSERT_TRUE(p.RunOperation());
    // The radio's T1 plateau is 60..68 around its peak 64.
    EXPECT_EQ(p.console().Value(kBpfT1Row), 64);
    EXPECT_EQ(p.console().Value(kBpfT1Row + 1), builtin::kBpfT2);
    EXPECT_EQ(p.beeper.beeps, 1);
    p.RunFor(20);
    EXPECT_EQ(p.radio().image().read(84), 64);
    EXPECT_EQ(p.image().ReadByte(84), 64);
    EXPECT_TRUE(p.box.shown.empty());
}

TEST(AdjustTest, BpfAllParksBothAt64AndSweepsEachInStepsOfTwo) {
    WholeProgram p;
    ASSERT_TRUE(p.Connect());
    const std::size_t before = p.Settings().size();
    p.SelectRow(kBpfAllRow);
    p.Key(kKeyEnter);
    ASSERT_TRUE(p.RunOperation());
    std::vector<int> t1;
    std::vector<int> t2;
    const auto sent = p.Settings();
    for (std::size_t i = before; i < sent.size(); ++i) {
        if (sent[i].command == 19) t1.push_back(sent[i].value);
        if (sent[i].command == 20) t2.push_back(sent[i].value);
    }
    // A value can go out twice (its own send and the cycle's send of changed items).
    t1.erase(std::unique(t1.begin(), t1.end()), t1.end());
    t2.erase(std::unique(t2.begin(), t2.end()), t2.end());
    std::vector<int> sweep;
    for (int v = 0; v <= 128; v += 2)
        sweep.push_back(v);
    std::vector<int> expectT1{64};  // both parked at 64 first
    expectT1.insert(expectT1.end(), sweep.begin(), sweep.end());
    expectT1.push_back(64);  // the middle of T1's plateau
    std::vector<int> expectT2{64};
    expectT2.insert(expectT2.end(), sweep.begin(), sweep.end());
    expectT2.push_back(74);
    EXPECT_EQ(t1, expectT1);
    EXPECT_EQ(t2, expectT2);
    EXPECT_EQ(p.console().Value(kBpfT1Row), 64);
    EXPECT_EQ(p.console().Value(kBpfT1Row + 1), 74);
    p.RunFor(20);
    EXPECT_EQ(p.radio().image().read(84), 64);
    EXPECT_EQ(p.radio().image().read(85), 74);
}

// Enter on a level-adjust item bisects it towards the level in its own target item; a level
// the radio cannot reach restores the item and marks that item alone as failed.
TEST(AdjustTest, LevelAdjustOnEitherSideMeetsItsTargetOrFailsOnItsOwnRow) {
    struct Case {
        const char* name;
        int index;  // 0 receive, 1 transmit
        int lvinHigh;
        int expected;  // the item's value afterwards
        bool failed;
    };
    const int rows[2] = {kRxLvaRow, kRxLvaRow + 1};
    const int addresses[2] = {92, 93};
    const int stored[2] = {builtin::kRxLva, builtin::kTxLva};
    const Case cases[] = {
        {"RX meets 120", 0, 220, builtin::kRxLvaAtTarget, false},
        {"TX meets 150", 1, 220, builtin::kTxLvaAtTarget, false},
        {"RX cannot reach 120", 0, 100, builtin::kRxLva, true},
        {"TX cannot reach 150", 1, 100, builtin::kTxLva, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        qtsim::RadioConfig config;
        config.curves.lvinHigh = c.lvinHigh;
        WholeProgram p(config);
        ASSERT_TRUE(p.Connect());
        const int other = 1 - c.index;
        p.SelectRow(rows[c.index]);
        p.Key(kKeyEnter);
        ASSERT_TRUE(p.RunOperation());
        EXPECT_EQ(p.console().Value(rows[c.index]), c.expected);
        EXPECT_EQ(p.console().Value(rows[other]), stored[other]);
        EXPECT_EQ(p.model().lvaMark(c.index), c.failed);
        EXPECT_FALSE(p.model().lvaMark(other));
        const std::string row = p.win.lboConsole.List(rows[c.index]);
        const std::string tail =
            c.failed ? " [Enter] to Sweep (Auto Adjust Failed)" : " [Enter] to Sweep";
        ASSERT_GE(row.size(), tail.size());
        EXPECT_EQ(row.substr(row.size() - tail.size()), tail);
        const std::string otherRow = p.win.lboConsole.List(rows[other]);
        EXPECT_EQ(otherRow.substr(otherRow.size() - 17), " [Enter] to Sweep");
        EXPECT_EQ(p.beeper.beeps, 1);
        p.RunFor(20);
        EXPECT_EQ(p.radio().image().read(addresses[c.index]), c.expected);
        EXPECT_EQ(p.radio().image().read(addresses[other]), stored[other]);
    }
}

TEST(AdjustTest, RssiEnterThenEnterTwiceStoresBothThresholds) {
    qtsim::RadioConfig config;
    WholeProgram p(config);
    ASSERT_TRUE(p.Connect());
    const int sd = p.radio().bench().detector(builtin::kBpfT1, builtin::kBpfT2);
    p.SelectRow(kRssiRow);
    p.Key(kKeyEnter);
    ASSERT_TRUE(p.RunUntil([&] { return p.model().opState() == 7; }, 20));
    p.RunFor(10);
    EXPECT_EQ(p.win.lboConsole.List(kRssiRow), "      RSSI: RSSI S3 Level ");
    p.Key(kKeyEnter);
    ASSERT_TRUE(p.RunUntil([&] { return p.model().rssiS1Pass(); }, 40));
    p.RunFor(4);
    EXPECT_EQ(p.radio().image().read(170), sd);
    EXPECT_EQ(p.image().ReadByte(170), sd);
    EXPECT_EQ(p.win.lboConsole.List(kRssiRow), "      RSSI: RSSI S1 Level ");
    EXPECT_EQ(p.beeper.beeps, 0);

    // Retune so that the second capture sees a different level.
    p.SelectRow(kBpfT1Row);
    p.Key(kKeyRight);
    p.SelectRow(kRssiRow);
    p.RunFor(10);
    p.Key(kKeyEnter);
    ASSERT_TRUE(p.RunUntil([&] { return p.model().opState() == 0; }, 60));
    p.RunFor(4);
    const int sd2 = p.radio().bench().detector(builtin::kBpfT1 + 1, builtin::kBpfT2);
    EXPECT_EQ(p.radio().image().read(169), sd2);
    EXPECT_EQ(p.image().ReadByte(169), sd2);
    EXPECT_EQ(p.radio().image().read(170), sd);
    EXPECT_EQ(p.beeper.beeps, 1);
    EXPECT_EQ(p.win.lboConsole.List(kRssiRow), "      RSSI: [Enter] to Start");
}

TEST(AdjustTest, ReconnectReadsBackWhatTheRadioStored) {
    WholeProgram p;
    ASSERT_TRUE(p.Connect());
    p.SelectRow(3);
    p.Key(kKeyLeft, kShiftMaskShift);  // Power(L1) 70 -> 65
    p.SelectRow(kRxLvaRow);
    p.Key(kKeyEnter);
    ASSERT_TRUE(p.RunOperation());
    p.RunFor(20);
    p.Click(0);
    ASSERT_TRUE(p.RunUntil([&] { return p.model().taskState() == 28; }));
    EXPECT_EQ(p.console().Value(3), builtin::kPowerL1 - 5);
    EXPECT_EQ(p.console().Value(kRxLvaRow), builtin::kRxLvaAtTarget);
    EXPECT_EQ(p.console().Value(1), builtin::kPowerHi);
    EXPECT_TRUE(p.box.shown.empty());
}

}  // namespace
}  // namespace qs::whole
