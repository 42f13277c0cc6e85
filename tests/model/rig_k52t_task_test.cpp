#include <map>

#include <gtest/gtest.h>

#include "image_builder.h"
#include "link/hex_text.h"
#include "model_rig.h"

namespace qs {
namespace {

using testing::ModelRig;
using testing::PutChannel;
using testing::PutRigTable;

class TaskLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        clsCmcEeprom& img = rig.radioPeer.image;
        PutRigTable(img);
        PutChannel(img, 0, 146520000, 146520000, 0x03);
        PutChannel(img, 3, 150000000, 151000000, 0x02);
        img.WriteByte(168, 128);  // Power(Hi)
        img.WriteByte(106, 40);   // BAL and its mirrors equal
        img.WriteByte(113, 40);
        img.WriteByte(99, 40);
        img.WriteByte(120, 40);
        img.WriteByte(92, 100);  // RX LVA
        img.WriteByte(174, 120);
        img.WriteByte(175, 150);
        rig.radioPeer.readings = {{0, 200}, {3, 128}, {5, 170}, {4, 51}, {16, 255},
                                  {17, 1},  {18, 2},  {19, 3},  {12, 4}, {13, 128},
                                  {14, 5},  {11, 6},  {15, 7}};
    }
    ModelRig rig;

    // The [D/A] rows in list order: label and raw part of the reading of that row's code.
    struct DaRow {
        int row;
        std::string head;
    };
    const std::vector<DaRow> kDaRows{
        {1, "T1/POW :255:FFh:"}, {2, "BPF T2 :  1:01h:"}, {3, "TX LVA :  2:02h:"},
        {4, "RX LVA :  3:03h:"}, {5, "REF    :  4:04h:"}, {6, "MOD BAL:128:80h:"},
        {7, "Dev    :  5:05h:"}, {8, "CTCSS  :  6:06h:"}, {9, "SQL Lev:  7:07h:"},
    };
};

TEST_F(TaskLoopTest, ConnectStartsReadAndShowsOnlyProgressWhileReading) {
    rig.op.RigOpFunc_ClickCmd00(0);
    EXPECT_EQ(rig.op.taskState(), 1);
    rig.Tick();
    EXPECT_EQ(rig.op.taskState(), 2);
    EXPECT_TRUE(rig.seq.OpRunning());
    ASSERT_TRUE(rig.RunUntil([&] { return rig.com.kel3D().lastEeAdr() > 16000; }));
    rig.Tick();
    const std::string progress = rig.win.lblProgress.caption();
    EXPECT_EQ(progress.size(), 32u);
    EXPECT_EQ(progress.find_first_not_of('o'), progress.find('.'));
    EXPECT_GE(progress.find('.'), 16u);
    EXPECT_EQ(rig.op.taskState(), 2);
    EXPECT_TRUE(rig.op.RigK52TProp_Shielding());
}

TEST_F(TaskLoopTest, LoadSendsEveryItemOnceInIndexOrderAndFillsReadings) {
    ASSERT_TRUE(rig.Connect());
    EXPECT_EQ(rig.errorMessages, 0);
    EXPECT_EQ(rig.op.idBytes(), (Bytes{0x30, 0x17, 0x01, 0x02}));
    EXPECT_EQ(rig.console.Value(1), 128);
    EXPECT_EQ(rig.console.Value(12), 100);
    EXPECT_EQ(rig.console.Value(14), 120);
    EXPECT_EQ(rig.console.Value(15), 150);
    EXPECT_EQ(rig.op.chanCount(), 2);
    EXPECT_EQ(rig.op.chanList(0), 0);
    EXPECT_EQ(rig.op.chanList(1), 3);
    EXPECT_EQ(rig.console.Max(0), 1);
    EXPECT_EQ(rig.op.rxFreqBase(), testing::kRigChannels);
    EXPECT_EQ(rig.op.txFreqBase(), testing::kRigChannels + 4);
    EXPECT_EQ(rig.op.powerTableAddr(), testing::kRigPower);

    // Start command, then each item with a command in index order.
    std::vector<int> commands;
    for (const auto& a : rig.radioPeer.adjustments)
        commands.push_back(a.command);
    const std::vector<int> expected{2, 0, 9, 10, 11, 17, 13, 15, 8, 5, 19, 20, 6, 7};
    EXPECT_EQ(commands, expected);
    EXPECT_EQ(rig.radioPeer.adjustments[1].value, 1);  // channel 0 goes out as 01

    // First readings: A/D after the load, then the full cycle.
    EXPECT_EQ(rig.radioPeer.readingCodes,
              (std::vector<int>{0, 3, 5, 4, 0, 0, 3, 5, 4, 0, 16, 17, 18, 19, 12, 13, 14, 11, 15}));
    EXPECT_EQ(rig.win.lbo01[0].List(1), "VIN  :200:C8h:  7.84V");
    EXPECT_EQ(rig.win.lbo01[0].List(2), "TEMPS:128:80h:  9.27'C");
    EXPECT_EQ(rig.win.lbo01[0].List(3), "LVIN :170:AAh:  3.33V");
    EXPECT_EQ(rig.win.lbo01[0].List(4), "SD   : 51:33h:  1.00V");
    EXPECT_EQ(rig.win.lbo01[0].List(5), "");
    // Each [D/A] row shows the reading of its own code (distinct raw values, set below).
    for (const DaRow& r : kDaRows) {
        const std::string row = rig.win.lbo01[1].List(r.row);
        EXPECT_EQ(row.substr(0, r.head.size()), r.head) << r.row;
    }
    EXPECT_EQ(rig.win.lbo01[1].List(1), "T1/POW :255:FFh:  5.00V");
    EXPECT_EQ(rig.win.lbo01[1].List(6), "MOD BAL:128:80h: 50.20%");

    EXPECT_TRUE(rig.op.RigK52TProp_EditEnabled());
    EXPECT_TRUE(rig.win.fra01[1].visible());
    EXPECT_FALSE(rig.win.fra01[0].visible());
    EXPECT_FALSE(rig.win.fra01[3].visible());
    EXPECT_TRUE(rig.win.lboConsole.hasFocus());
    EXPECT_TRUE(rig.win.cmd00[1].enabled());
    EXPECT_TRUE(rig.win.cmd00[2].enabled());
    EXPECT_EQ(rig.win.lblProgress.caption(), std::string(32, 'o'));
}

TEST_F(TaskLoopTest, LoadProgressShowsSevenStepsOfThirtyTwo) {
    // Marks out of 32 for the states 3..9 that a tick begins in.
    const std::map<int, int> marksFor{{3, 4}, {4, 9}, {5, 13}, {6, 18}, {7, 22}, {8, 27}, {9, 32}};
    std::map<int, std::string> shown;
    rig.op.RigOpFunc_ClickCmd00(0);
    for (int tick = 0; tick < 5000 && rig.op.taskState() != 28; ++tick) {
        const int state = rig.op.taskState();
        const int writes = rig.win.lblProgress.captionCount();
        rig.Tick();
        if (state < 3 || state > 9 || rig.win.lblProgress.captionCount() == writes) continue;
        shown[state] = rig.win.lblProgress.caption();
        const int n = marksFor.at(state);
        EXPECT_EQ(shown[state],
                  std::string(std::size_t(n), 'o') + std::string(std::size_t(32 - n), '.'))
            << "state " << state;
    }
    // State 8 only sends the start command and always runs in the tick that ends state 7,
    // so no tick begins there and its 27 marks never reach the screen.
    std::vector<int> states;
    for (const auto& entry : shown)
        states.push_back(entry.first);
    EXPECT_EQ(states, (std::vector<int>{3, 4, 5, 6, 7, 9}));
}

TEST_F(TaskLoopTest, EachDefaultCommandIsFollowedByItsWait) {
    rig.op.RigOpFunc_ClickCmd00(0);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.radioPeer.adjustments.size() == 3; }));
    // Command 9 (Power(Hi)) just went out; the next item waits 200 ms = 4 heartbeats.
    int ticks = 0;
    while (rig.radioPeer.adjustments.size() == 3 && ticks < 20) {
        rig.Tick();
        ++ticks;
    }
    EXPECT_GE(ticks, 4);
    EXPECT_LE(ticks, 6);
    EXPECT_EQ(rig.radioPeer.adjustments.back().command, 10);
}

TEST_F(TaskLoopTest, OneIdleCycleEndsAtStateTwentyEight) {
    ASSERT_TRUE(rig.Connect());
    const std::size_t readings = rig.radioPeer.readingCodes.size();
    rig.Tick();
    EXPECT_EQ(rig.op.taskState(), 28);
    rig.Tick();
    EXPECT_EQ(rig.op.taskState(), 28);
    EXPECT_EQ(rig.radioPeer.readingCodes.size(), readings);  // no reload requested
}

TEST_F(TaskLoopTest, ReloadReadsAgainAndUnchangedRowsAreNotRewritten) {
    ASSERT_TRUE(rig.Connect());
    const std::size_t readings = rig.radioPeer.readingCodes.size();
    rig.op.RigOpFunc_ClickCmd00(1);
    EXPECT_TRUE(rig.op.reloadRequest());
    rig.radioPeer.readings[0] = 100;
    ASSERT_TRUE(rig.RunUntil([&] { return rig.radioPeer.readingCodes.size() == readings + 14; }));
    ASSERT_TRUE(rig.RunUntil([&] { return rig.op.taskState() == 28 && !rig.seq.OpRunning(); }));
    EXPECT_EQ(rig.win.lbo01[0].List(1), "VIN  :100:64h:  3.92V");
    EXPECT_EQ(rig.op.adLast(1), 128);
}

TEST_F(TaskLoopTest, KeyPressSendsAdjustmentAndStoresImageByte) {
    ASSERT_TRUE(rig.Connect());
    rig.radioPeer.adjustments.clear();
    rig.console.UpDown(1, 1);
    ASSERT_TRUE(rig.RunUntil([&] { return !rig.radioPeer.adjustments.empty(); }, 10));
    EXPECT_EQ(rig.radioPeer.adjustments[0].command, 9);
    EXPECT_EQ(rig.radioPeer.adjustments[0].value, 129);
    EXPECT_EQ(rig.radio.eepImage().ReadByte(168), 129);
    EXPECT_EQ(rig.cable.writes().back(), (Bytes{0xFE, 0xFE, 0xEE, 0xEF, 0xE8, 0x30, 0x17, 0x01,
                                                0x02, 0x09, 0x38, 0x31, 0xFD}));
}

TEST_F(TaskLoopTest, BalanceWithThreeDifferingMirrorsCostsFourPasses) {
    ASSERT_TRUE(rig.Connect());
    rig.radioPeer.adjustments.clear();
    rig.console.setValue(4, 77);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.radioPeer.adjustments.size() >= 7; }, 200));
    rig.RunUntil([] { return false; }, 40);
    std::vector<int> commands;
    for (const auto& a : rig.radioPeer.adjustments) {
        commands.push_back(a.command);
        EXPECT_EQ(a.value, 77);
    }
    EXPECT_EQ(commands, (std::vector<int>{17, 18, 17, 16, 17, 27, 17}));
    const clsCmcEeprom& img = rig.radio.eepImage();
    EXPECT_EQ(img.ReadByte(106), 77);
    EXPECT_EQ(img.ReadByte(113), 77);
    EXPECT_EQ(img.ReadByte(99), 77);
    EXPECT_EQ(img.ReadByte(120), 77);
}

TEST_F(TaskLoopTest, NoChannelInUseGivesChannelZero) {
    for (int ch : {0, 3})
        PutChannel(rig.radioPeer.image, ch, 0, 0, 0);
    ASSERT_TRUE(rig.Connect());
    EXPECT_EQ(rig.op.chanCount(), 1);
    EXPECT_EQ(rig.console.Max(0), 0);
    EXPECT_EQ(rig.win.lboConsole.List(0).substr(0, 16), "    CH No.: 01 R");
}

TEST_F(TaskLoopTest, OnlyFortyChannelsAreConsidered) {
    clsCmcEeprom& img = rig.radioPeer.image;
    PutRigTable(img, 50);
    for (int ch = 0; ch < 50; ++ch)
        PutChannel(img, ch, 150000000, 150000000, 3);
    ASSERT_TRUE(rig.Connect());
    EXPECT_EQ(rig.op.chanCount(), 40);
    EXPECT_EQ(rig.console.Max(0), 39);
}

TEST_F(TaskLoopTest, DispParaShowsPageDisablesConnectAndReturnsToCycle) {
    rig.radioPeer.image.WriteByte(168, 201);
    ASSERT_TRUE(rig.Connect());
    rig.op.RigOpFunc_ClickCmd00(2);
    EXPECT_TRUE(rig.op.dispParaRequest());
    rig.Tick();
    rig.Tick();
    EXPECT_EQ(rig.op.taskState(), 29);
    EXPECT_TRUE(rig.op.RigK52TProp_DispPara());
    EXPECT_TRUE(rig.win.fra01[3].visible());
    EXPECT_FALSE(rig.win.fra01[1].visible());
    EXPECT_FALSE(rig.win.cmd00[0].enabled());
    EXPECT_FALSE(rig.win.cmd00[1].enabled());
    EXPECT_TRUE(rig.win.cmd00[2].isDefault());
    EXPECT_TRUE(rig.win.cmd00[2].isCancel());
    EXPECT_EQ(rig.win.txtDispPara.text().substr(0, 36), "                POW HI Level:  201\r\n");

    rig.op.RigOpFunc_ClickCmd00(1);  // Reload does nothing outside the cycle
    EXPECT_FALSE(rig.op.reloadRequest());
    rig.op.RigOpFunc_ClickCmd00(2);
    EXPECT_FALSE(rig.op.dispParaRequest());
    rig.Tick();
    EXPECT_EQ(rig.op.taskState(), 28);
    // The button takes the focus first; the console shown again in the same tick takes it last.
    EXPECT_TRUE(rig.win.lboConsole.hasFocus());
    EXPECT_FALSE(rig.win.cmd00[2].isDefault());
    EXPECT_TRUE(rig.win.cmd00[0].enabled());
    EXPECT_TRUE(rig.win.fra01[1].visible());
}

TEST_F(TaskLoopTest, BadReadingAnswerEndsInMessageResetAndIdle) {
    ASSERT_TRUE(rig.Connect());
    rig.radioPeer.readingBody = [](int) { return Bytes{0x30, 0x17, 0x01, 0x02, 0x03, 'Z', '1'}; };
    rig.op.RigOpFunc_ClickCmd00(1);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.errorMessages > 0; }, 100));
    EXPECT_EQ(rig.errorMessages, 1);
    EXPECT_EQ(rig.errorSequenceCodes[0], 0);
    EXPECT_EQ(rig.errorDriverCodes[0], 0);
    EXPECT_EQ(rig.op.taskState(), 0);
    EXPECT_FALSE(rig.op.commError());
    EXPECT_FALSE(rig.com.comOpen());
    EXPECT_EQ(rig.console.Value(1), 0);
    EXPECT_EQ(rig.win.lbo01[0].List(1), "----");
    EXPECT_TRUE(rig.win.fra01[0].visible());
}

TEST_F(TaskLoopTest, ReadingAnswerFromAnotherRadioIsRefused) {
    ASSERT_TRUE(rig.Connect());
    rig.radioPeer.readingBody = [](int) { return Bytes{0x30, 0x18, 0x01, 0x02, 0x03, '1', '1'}; };
    rig.op.RigOpFunc_ClickCmd00(1);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.errorMessages > 0; }, 100));
    EXPECT_EQ(rig.op.taskState(), 0);
}

TEST_F(TaskLoopTest, SecondConnectAfterFailureWorks) {
    ASSERT_TRUE(rig.Connect());
    rig.radioPeer.silent = true;
    rig.op.RigOpFunc_ClickCmd00(1);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.errorMessages > 0; }, 400));
    EXPECT_EQ(rig.op.taskState(), 0);
    EXPECT_FALSE(rig.seq.OpRunning());
    rig.radioPeer.silent = false;
    ASSERT_TRUE(rig.Connect());
    EXPECT_EQ(rig.console.Value(1), 128);
}

}  // namespace
}  // namespace qs
