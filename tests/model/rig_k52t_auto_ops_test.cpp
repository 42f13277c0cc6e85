#include <algorithm>
#include <cstdlib>

#include <gtest/gtest.h>

#include "model_rig.h"

namespace qs {
namespace {

using testing::ModelRig;
using testing::PutRigTable;

constexpr int kSdCode = 4;
constexpr int kLvinCode = 5;
constexpr int kBpfT1Command = 0x13;
constexpr int kBpfT2Command = 0x14;
constexpr int kRxLvaCommand = 0x06;
constexpr int kMaxTicks = 20000;

class AutoOpTest : public ::testing::Test {
protected:
    void SetUp() override {
        PutRigTable(rig.radioPeer.image);
        rig.radioPeer.image.WriteByte(92, 77);    // RX LVA
        rig.radioPeer.image.WriteByte(174, 120);  // its target
        rig.radioPeer.readingValue = [this](int code) { return Reading(code); };
        ASSERT_TRUE(rig.Connect());
        sdReadAt.clear();
        lvinReadAt.clear();
    }

    int Reading(int code) {
        if (code == kSdCode) {
            int t1 = rig.radioPeer.LastSent(kBpfT1Command);
            int t2 = rig.radioPeer.LastSent(kBpfT2Command);
            sdReadAt.push_back({t1, t2});
            return sd ? sd(t1, t2) : fixedSd;
        }
        if (code == kLvinCode) {
            int setting = rig.radioPeer.LastSent(kRxLvaCommand);
            lvinReadAt.push_back(setting);
            return std::clamp(lvinLow + (lvinHigh - lvinLow) * setting / 255, 0, 255);
        }
        return 0;
    }

    void PressEnter(std::int16_t item) { rig.console.EnterPushed(item); }
    // Runs until the operation that the pending Enter starts has ended.
    bool RunUntilIdle() {
        if (!rig.RunUntil([&] { return rig.op.opState() != 0; }, 10)) return false;
        return rig.RunUntil([&] { return rig.op.opState() == 0; }, kMaxTicks);
    }

    ModelRig rig;
    std::function<int(int, int)> sd;
    int fixedSd = 0;
    std::vector<std::pair<int, int>> sdReadAt;
    std::vector<int> lvinReadAt;
    int lvinLow = 20;
    int lvinHigh = 220;
};

TEST_F(AutoOpTest, SweepEndsInMiddleOfPlateau) {
    // Rises to equal maxima at 40..44, then falls.
    sd = [](int t1, int) { return std::max(0, 200 - 3 * std::max(0, std::abs(t1 - 42) - 2)); };
    PressEnter(10);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.op.opState() != 0; }, 10));
    EXPECT_EQ(rig.win.lboConsole.List(10).substr(38), " Sweeping");
    ASSERT_TRUE(RunUntilIdle());
    EXPECT_EQ(rig.console.Value(10), 42);
    EXPECT_EQ(rig.beeper.beeps, 1);
    ASSERT_EQ(sdReadAt.size(), 256u);
    for (int v = 0; v < 256; ++v)
        EXPECT_EQ(sdReadAt[static_cast<std::size_t>(v)].first, v);
    // The final value reaches the radio and the image; waits are back to normal.
    rig.RunUntil([] { return false; }, 20);
    EXPECT_EQ(rig.radioPeer.LastSent(kBpfT1Command), 42);
    EXPECT_EQ(rig.radio.eepImage().ReadByte(84), 42);
    EXPECT_EQ(rig.console.WaitAfterE8(10), 200);
    EXPECT_EQ(rig.win.lboConsole.List(10).substr(38), " [Enter] to Sweep");
}

TEST_F(AutoOpTest, SweepAllStepsByTwoAndEndsAfter128) {
    sd = [](int t1, int t2) { return 255 - std::abs(t1 - 60) - std::abs(t2 - 70); };
    PressEnter(9);
    ASSERT_TRUE(RunUntilIdle());
    // T1 is swept with T2 parked at 64, then T2 with T1 at its result.
    std::vector<std::pair<int, int>> expected;
    for (int v = 0; v <= 128; v += 2)
        expected.push_back({v, 64});
    for (int v = 0; v <= 128; v += 2)
        expected.push_back({60, v});
    EXPECT_EQ(sdReadAt, expected);
    EXPECT_EQ(rig.console.Value(10), 60);
    EXPECT_EQ(rig.console.Value(11), 70);
    EXPECT_FALSE(rig.op.bpfSelect(0));
    EXPECT_FALSE(rig.op.bpfSelect(1));
}

TEST_F(AutoOpTest, AdjustStopsWhenMidpointMeetsTarget) {
    // LVIN(128) = 20 + 200 * 128 / 255 = 120, the stored target.
    PressEnter(12);
    ASSERT_TRUE(RunUntilIdle());
    EXPECT_EQ(lvinReadAt, (std::vector<int>{0, 255, 128}));
    EXPECT_EQ(rig.console.Value(12), 128);
    EXPECT_FALSE(rig.op.lvaMark(0));
    EXPECT_EQ(rig.beeper.beeps, 1);
    EXPECT_EQ(rig.console.WaitAfterE8(12), 500);
    EXPECT_EQ(rig.win.lboConsole.List(12).substr(38), " [Enter] to Sweep");
}

TEST_F(AutoOpTest, AdjustBisectsUntilEndsAreTwoApart) {
    rig.console.setValue(14, 151);  // not met exactly by any midpoint
    PressEnter(12);
    ASSERT_TRUE(RunUntilIdle());
    ASSERT_GE(lvinReadAt.size(), 4u);
    const int last = rig.console.Value(12);
    const int level = 20 + 200 * last / 255;
    EXPECT_LE(std::abs(level - 151), 2);
    EXPECT_FALSE(rig.op.lvaMark(0));
    EXPECT_LE(lvinReadAt.size(), 2u + 8u);
}

TEST_F(AutoOpTest, UnreachableTargetRestoresValueAndShowsFailure) {
    rig.console.setValue(14, 20);  // equal to the reading at value 0: not inside the range
    PressEnter(12);
    ASSERT_TRUE(RunUntilIdle());
    EXPECT_EQ(lvinReadAt, (std::vector<int>{0, 255}));
    EXPECT_EQ(rig.console.Value(12), 77);
    EXPECT_TRUE(rig.op.lvaMark(0));
    EXPECT_EQ(rig.beeper.beeps, 1);
    EXPECT_EQ(rig.win.lboConsole.List(12),
              "    RX LVA:  77 [######--------------] [Enter] to Sweep (Auto Adjust Failed)");
    EXPECT_EQ(rig.win.lboConsole.List(13).substr(38), " [Enter] to Sweep");
    rig.RunUntil([] { return false; }, 20);
    EXPECT_EQ(rig.radioPeer.LastSent(kRxLvaCommand), 77);
    EXPECT_EQ(rig.radio.eepImage().ReadByte(92), 77);
}

TEST_F(AutoOpTest, FailureMarkBelongsToTheConnectionItHappenedIn) {
    rig.console.setValue(14, 20);  // unreachable: the adjustment fails and marks RX LVA
    PressEnter(12);
    ASSERT_TRUE(RunUntilIdle());
    ASSERT_TRUE(rig.op.lvaMark(0));
    // A new Connect (possibly another radio) must not show an old failure.
    ASSERT_TRUE(rig.Connect());
    EXPECT_FALSE(rig.op.lvaMark(0));
    EXPECT_EQ(rig.win.lboConsole.List(12).substr(38), " [Enter] to Sweep");
}

TEST_F(AutoOpTest, TargetAtUpperEndAlsoFails) {
    rig.console.setValue(14, 220);
    PressEnter(12);
    ASSERT_TRUE(RunUntilIdle());
    EXPECT_TRUE(rig.op.lvaMark(0));
    EXPECT_EQ(rig.console.Value(12), 77);
}

TEST_F(AutoOpTest, RssiCapturesS3ThenS1OnEnter) {
    fixedSd = 170;
    PressEnter(16);
    ASSERT_TRUE(rig.RunUntil([&] { return sdReadAt.size() >= 3; }, 200));
    EXPECT_EQ(rig.win.lboConsole.List(16), "      RSSI: RSSI S3 Level ");
    rig.radioPeer.adjustments.clear();
    PressEnter(16);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.op.rssiS1Pass(); }, 200));
    ASSERT_EQ(rig.radioPeer.adjustments.size(), 1u);
    EXPECT_EQ(rig.radioPeer.adjustments[0].command, 0x16);
    EXPECT_EQ(rig.radioPeer.adjustments[0].value, 170);
    EXPECT_EQ(rig.radio.eepImage().ReadByte(170), 170);
    EXPECT_EQ(rig.win.lboConsole.List(16), "      RSSI: RSSI S1 Level ");

    fixedSd = 169;
    const std::size_t before = sdReadAt.size();
    ASSERT_TRUE(rig.RunUntil([&] { return sdReadAt.size() >= before + 2; }, 200));
    EXPECT_EQ(rig.beeper.beeps, 0);
    PressEnter(16);
    ASSERT_TRUE(RunUntilIdle());
    ASSERT_EQ(rig.radioPeer.adjustments.size(), 2u);
    EXPECT_EQ(rig.radioPeer.adjustments[1].command, 0x15);
    EXPECT_EQ(rig.radioPeer.adjustments[1].value, 169);
    EXPECT_EQ(rig.radio.eepImage().ReadByte(169), 169);
    EXPECT_EQ(rig.beeper.beeps, 1);
    EXPECT_FALSE(rig.op.rssiS1Pass());
    EXPECT_EQ(rig.win.lboConsole.List(16), "      RSSI: [Enter] to Start");
}

TEST_F(AutoOpTest, DispParaStopsRunningOperation) {
    fixedSd = 100;
    PressEnter(16);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.op.opState() == 7; }, 50));
    rig.op.RigOpFunc_ClickCmd00(2);
    EXPECT_EQ(rig.op.opState(), 0);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.op.taskState() == 29; }, 50));
    EXPECT_EQ(rig.op.opState(), 0);
}

TEST_F(AutoOpTest, FailedReadingDuringCaptureStoresNoThreshold) {
    fixedSd = 150;
    PressEnter(16);
    ASSERT_TRUE(rig.RunUntil([&] { return sdReadAt.size() >= 2; }, 200));
    rig.radioPeer.readingBody = [](int) { return Bytes{0x30, 0x17, 0x01, 0x02, 0x03, '?', '?'}; };
    rig.radioPeer.adjustments.clear();
    PressEnter(16);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.errorMessages > 0; }, 200));
    for (const auto& a : rig.radioPeer.adjustments)
        EXPECT_NE(a.command, 0x16);
    EXPECT_EQ(rig.radio.eepImage().ReadByte(170), 0);
    EXPECT_EQ(rig.op.taskState(), 0);
    EXPECT_EQ(rig.op.opState(), 0);
}

}  // namespace
}  // namespace qs

namespace qs {
namespace {

// An operation cut short names itself and what the radio holds: the last value a reading
// after it confirmed, and a value sent since as not confirmed; with none running there is
// nothing to say.
TEST_F(AutoOpTest, ASweepCutShortSaysWhatTheRadioHolds) {
    EXPECT_EQ(rig.op.StoppedOperationNote(), "");
    fixedSd = 100;
    PressEnter(10);  // BPF T1
    ASSERT_TRUE(rig.RunUntil([&] { return sdReadAt.size() >= 5; }, 500));
    // Cut between a setting and its reading.
    const std::size_t settings = rig.radioPeer.adjustments.size();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.radioPeer.adjustments.size() > settings; }, 50));
    const int sent = rig.radioPeer.LastSent(kBpfT1Command);
    const std::uint32_t readings = rig.op.readingsTaken();
    EXPECT_EQ(rig.op.StoppedOperationNote(),
              "The band-pass sweep stopped before its end; BPF T1: sent " + std::to_string(sent) +
                  ", not confirmed; the radio held " + std::to_string(sent - 1) + " before.");
    // Once a reading has come after it, the radio holds it (and the sweep may have sent the
    // next value already).
    ASSERT_TRUE(rig.RunUntil([&] { return rig.op.readingsTaken() > readings; }, 50));
    const std::string note = rig.op.StoppedOperationNote();
    EXPECT_TRUE(note.ends_with("the radio holds BPF T1 = " + std::to_string(sent) + ".") ||
                note.ends_with("the radio held " + std::to_string(sent) + " before."))
        << note;
}

TEST_F(AutoOpTest, ALevelAdjustmentCutShortSaysWhatTheRadioHolds) {
    PressEnter(12);  // RX LVA
    ASSERT_TRUE(rig.RunUntil([&] { return lvinReadAt.size() >= 2; }, 500));
    // A reading after the last setting.
    const std::uint32_t readings = rig.op.readingsTaken();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.op.readingsTaken() > readings; }, 50));
    EXPECT_EQ(rig.op.StoppedOperationNote(),
              "The automatic level adjustment stopped before its end; the radio holds RX LVA = " +
                  std::to_string(rig.radioPeer.LastSent(kRxLvaCommand)) + ".");
}

TEST_F(AutoOpTest, AThresholdCaptureCutShortSaysWhatTheRadioHolds) {
    fixedSd = 100;
    PressEnter(16);  // RSSI
    ASSERT_TRUE(rig.RunUntil([&] { return rig.op.opState() == 7; }, 50));
    EXPECT_EQ(rig.op.StoppedOperationNote(),
              "The RSSI threshold capture stopped before its end; the radio holds RSSI S3 = 0 and "
              "S1 = 0.");
}

}  // namespace
}  // namespace qs
