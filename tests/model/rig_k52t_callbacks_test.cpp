#include <gtest/gtest.h>

#include "image_builder.h"
#include "model_rig.h"

namespace qs {
namespace {

using testing::ModelRig;
using testing::PutChannel;
using testing::PutRigTable;

constexpr std::uint32_t kInhibit = 0xFFFFFFFFu;

class ChannelRowTest : public ::testing::Test {
protected:
    void SetUp() override {
        clsCmcEeprom& img = rig.radioPeer.image;
        PutRigTable(img);
        PutChannel(img, 0, 146520000, 146520000, 0x03);
        PutChannel(img, 1, 150000000, 151250000, 0x02);
        PutChannel(img, 2, 150000000, kInhibit, 0x01);
        PutChannel(img, 3, kInhibit, 446006250, 0x00);
        PutChannel(img, 4, kInhibit, kInhibit, 0x03);
        PutChannel(img, 10, 9000000, 9000000, 0x03);
        ASSERT_TRUE(rig.Connect());
    }
    std::string Row(int listIndex) {
        rig.console.setValue(0, static_cast<std::int16_t>(listIndex));
        return rig.win.lboConsole.List(0);
    }
    ModelRig rig;
};

TEST_F(ChannelRowTest, Variants) {
    EXPECT_EQ(rig.op.chanCount(), 6);
    EXPECT_EQ(Row(0), "    CH No.: 01 RX = 146.520000, TX =   <-        RF Power: High");
    EXPECT_EQ(Row(1), "    CH No.: 02 RX = 150.000000, TX = 151.250000  RF Power: Low2");
    EXPECT_EQ(Row(2), "    CH No.: 03 RX = 150.000000, TX = Inhibit     RF Power: Low1");
    EXPECT_EQ(Row(3), "    CH No.: 04 RX = Inhibit   , TX = 446.006250  RF Power: Low1");
    EXPECT_EQ(Row(4), "    CH No.: 05 RX = Inhibit   , TX = Inhibit     RF Power: High");
    EXPECT_EQ(Row(5), "    CH No.: 11 RX = 9.000000, TX =   <-        RF Power: High");
}

TEST_F(ChannelRowTest, ChannelCommandCarriesChannelNumberPlusOne) {
    rig.radioPeer.adjustments.clear();
    rig.console.UpDown(0, -1);  // wraps from the first channel in use to the last
    EXPECT_EQ(rig.console.Value(0), 5);
    ASSERT_TRUE(rig.RunUntil([&] { return !rig.radioPeer.adjustments.empty(); }, 10));
    EXPECT_EQ(rig.radioPeer.adjustments[0].command, 0);
    // Channel 10 goes out as 11, the ASCII digits "0B": text 003042.
    EXPECT_EQ(rig.radioPeer.adjustments[0].value, 11);
    const Bytes& frame = rig.cable.writes().back();
    EXPECT_EQ(Bytes(frame.end() - 4, frame.end() - 1), (Bytes{0x00, 0x30, 0x42}));
}

TEST(CallbackRowsTest, LevelTargetRowShowsVolts) {
    ModelRig rig;
    const std::string bar0 = " [--------------------]";
    rig.console.setValue(14, 170);
    EXPECT_EQ(rig.win.lboConsole.List(14).substr(rig.win.lboConsole.List(14).size() - 8),
              " [3.33V]");
    rig.console.setValue(15, 255);
    EXPECT_EQ(rig.win.lboConsole.List(15), "LV(TX LVA): 255 [####################] [5.00V]");
    rig.console.setValue(15, 0);
    EXPECT_EQ(rig.win.lboConsole.List(15), "LV(TX LVA):   0" + bar0 + " [0.00V]");
}

TEST(CallbackEnterTest, BpfAllSelectsBothAndShowsSweeping) {
    ModelRig rig;
    rig.op.ConsEv_Enter(rig.console, 9, 7, 0);
    EXPECT_EQ(rig.op.opState(), 12);
    EXPECT_TRUE(rig.op.bpfAll());
    EXPECT_TRUE(rig.op.bpfSelect(0));
    EXPECT_TRUE(rig.op.bpfSelect(1));
    rig.console.Disp(9);
    rig.console.Disp(10);
    rig.console.Disp(11);
    EXPECT_EQ(rig.win.lboConsole.List(9), "   BPF ALL: Sweeping");
    EXPECT_EQ(rig.win.lboConsole.List(10).substr(38), " Sweeping");
    EXPECT_EQ(rig.win.lboConsole.List(11).substr(38), " Sweeping");
}

TEST(CallbackEnterTest, EnterOnBpfWhileSweepingDoesNothing) {
    ModelRig rig;
    rig.op.ConsEv_Enter(rig.console, 10, 3, 0);
    EXPECT_EQ(rig.op.opState(), 12);
    EXPECT_EQ(rig.op.bpfSweepItem(), 10);
    EXPECT_FALSE(rig.op.bpfAll());
    rig.op.ConsEv_Enter(rig.console, 9, 7, 0);
    EXPECT_FALSE(rig.op.bpfAll());
    EXPECT_TRUE(rig.op.bpfSelect(0));
    EXPECT_FALSE(rig.op.bpfSelect(1));
    rig.console.Disp(9);
    rig.console.Disp(11);
    // BPF ALL was not the item started, and T2 is not selected.
    EXPECT_EQ(rig.win.lboConsole.List(9), "   BPF ALL: [Enter] to Sweep");
    EXPECT_EQ(rig.win.lboConsole.List(11), "    BPF T2:   0 [--------------------]");
}

TEST(CallbackEnterTest, RssiEnterWhileRunningOnlySetsEnterFlag) {
    ModelRig rig;
    rig.op.ConsEv_Enter(rig.console, 16, 1, 0);
    EXPECT_EQ(rig.op.opState(), 6);
    rig.console.Disp(16);
    EXPECT_EQ(rig.win.lboConsole.List(16), "      RSSI: RSSI S3 Level ");
    rig.op.ConsEv_Enter(rig.console, 16, 1, 0);
    EXPECT_EQ(rig.op.opState(), 6);
}

TEST(CallbackEnterTest, StartingAnotherOperationEndsTheRunningOne) {
    ModelRig rig;
    rig.op.ConsEv_Enter(rig.console, 16, 1, 0);
    rig.op.ConsEv_Enter(rig.console, 13, 9, 0);
    EXPECT_EQ(rig.op.opState(), 17);
    EXPECT_EQ(rig.win.lboConsole.List(16), "      RSSI: [Enter] to Start");
    rig.console.Disp(13);
    rig.console.Disp(12);
    EXPECT_EQ(rig.win.lboConsole.List(13), "    TX LVA:   0 [--------------------] Sweeping");
    EXPECT_EQ(rig.win.lboConsole.List(12), "    RX LVA:   0 [--------------------]");
    rig.op.ConsEv_Enter(rig.console, 12, 8, 0);  // ignored while the adjustment runs
    EXPECT_EQ(rig.op.opState(), 17);
}

TEST(CallbackEnterTest, UnknownEventsAreHarmless) {
    ModelRig rig;
    rig.op.ConsEv_Enter(rig.console, 1, 42, 0);
    EXPECT_EQ(rig.op.opState(), 0);
    EXPECT_EQ(rig.op.ConsEv_Disp(rig.console, 1, 42, 0), rig.console.DefaultString(1));
}

}  // namespace
}  // namespace qs
