#include <gtest/gtest.h>

#include "model/rig_k52t_item_list.h"
#include "model_rig.h"

namespace qs {
namespace {

using testing::ModelRig;

struct ItemExpectation {
    const char* title;
    std::int32_t eeAdr;
    std::int16_t e8Command;
    bool bar;
    std::int16_t eventDisp;
    std::int16_t eventSendE8;
    std::int16_t eventEnter;
    std::int32_t wait;
};

constexpr ItemExpectation kExpected[17] = {
    {"    CH No.", -1, 0, false, 0, 0, -1, 200},    {" Power(Hi)", 168, 9, true, -1, -1, -1, 200},
    {" Power(L2)", 167, 10, true, -1, -1, -1, 200}, {" Power(L1)", 166, 11, true, -1, -1, -1, 200},
    {"       BAL", 106, 17, true, -1, -1, -1, 200}, {"       MOD", 105, 13, true, -1, -1, -1, 200},
    {" CTCS/DTCS", 83, 15, true, -1, -1, -1, 200},  {"       SQL", 184, 8, true, -1, -1, -1, 200},
    {"       REF", 173, 5, true, -1, -1, -1, 200},  {"   BPF ALL", -1, -1, false, 2, -1, 7, 200},
    {"    BPF T1", 84, 19, true, 3, -1, 3, 200},    {"    BPF T2", 85, 20, true, 3, -1, 4, 200},
    {"    RX LVA", 92, 6, true, 6, -1, 8, 500},     {"    TX LVA", 93, 7, true, 6, -1, 9, 500},
    {"LV(RX LVA)", -1, -1, true, 7, -1, -1, 200},   {"LV(TX LVA)", -1, -1, true, 7, -1, -1, 200},
    {"      RSSI", -1, -1, false, 4, -1, 1, 200},
};

void ExpectItemTable(ModelRig& rig) {
    ASSERT_EQ(rig.console.ListCount(), 17);
    ASSERT_EQ(rig.win.lboConsole.ListCount(), 17);
    for (std::int16_t i = 0; i < 17; ++i) {
        const ItemExpectation& e = kExpected[i];
        SCOPED_TRACE(e.title);
        EXPECT_EQ(rig.console.Title(i), e.title);
        EXPECT_EQ(rig.console.EeAdr(i), e.eeAdr);
        EXPECT_EQ(rig.console.E8Command(i), e.e8Command);
        EXPECT_EQ(rig.console.BarExist(i), e.bar);
        EXPECT_EQ(rig.console.Event_Disp(i), e.eventDisp);
        EXPECT_EQ(rig.console.Event_SendE8(i), e.eventSendE8);
        EXPECT_EQ(rig.console.Event_Enter(i), e.eventEnter);
        EXPECT_EQ(rig.console.Event_Changed(i), -1);
        EXPECT_EQ(rig.console.WaitAfterE8(i), e.wait);
        EXPECT_FALSE(rig.console.EeDataSigned(i));
        EXPECT_EQ(rig.console.Value(i), 0);
        EXPECT_EQ(rig.console.Min(i), 0);
        EXPECT_EQ(rig.console.Max(i), i == 0 ? 0 : 255);
        EXPECT_EQ(rig.console.LoopVal(i), i == 0);
        EXPECT_FALSE(rig.console.flgEnterOn(i));
    }
    EXPECT_EQ(rig.op.chItem(), 0);
    EXPECT_EQ(rig.op.balItem(), 4);
    EXPECT_EQ(rig.op.bpfSweepItem(), 9);
    EXPECT_EQ(rig.op.bpfItem(), 10);
    EXPECT_EQ(rig.op.lvaItem(), 12);
    EXPECT_EQ(rig.op.lvTargetItem(), 14);
    EXPECT_EQ(rig.op.lvTargetItemTx(), 15);
    EXPECT_EQ(rig.op.rssiItem(), 16);
}

TEST(ItemTableTest, ConstructionBuildsSeventeenItemsInTableOrder) {
    ModelRig rig;
    ExpectItemTable(rig);
    EXPECT_EQ(rig.op.taskState(), 0);
    EXPECT_EQ(rig.op.opState(), 0);
    EXPECT_EQ(rig.op.comPortNo(), 1);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(rig.op.adLast(i), -1);
    EXPECT_EQ(rig.op.adLast(5), 0);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(rig.op.daLast(i), -1);
    EXPECT_EQ(rig.op.daLast(9), 0);
}

TEST(ItemTableTest, SecondResetLeavesSeventeenRowsNotThirtyFour) {
    ModelRig rig;
    rig.op.RigOpFunc_ResetAll();
    ExpectItemTable(rig);
}

TEST(ItemTableTest, RowsAfterReset) {
    ModelRig rig;
    const std::string empty20 = " [--------------------]";
    EXPECT_EQ(rig.win.lboConsole.List(1), " Power(Hi):   0" + empty20);
    EXPECT_EQ(rig.win.lboConsole.List(9), "   BPF ALL: [Enter] to Sweep");
    EXPECT_EQ(rig.win.lboConsole.List(10), "    BPF T1:   0" + empty20 + " [Enter] to Sweep");
    EXPECT_EQ(rig.win.lboConsole.List(12), "    RX LVA:   0" + empty20 + " [Enter] to Sweep");
    EXPECT_EQ(rig.win.lboConsole.List(14), "LV(RX LVA):   0" + empty20 + " [0.00V]");
    EXPECT_EQ(rig.win.lboConsole.List(16), "      RSSI: [Enter] to Start");
}

TEST(ItemTableTest, ChannelItemStaysAtZeroBeforeLoad) {
    ModelRig rig;
    rig.console.UpDown(0, -1);
    EXPECT_EQ(rig.console.Value(0), 0);
    rig.console.UpDown(0, 1);
    EXPECT_EQ(rig.console.Value(0), 0);
}

TEST(ItemTableTest, ResetRestoresWaitsChangedByOperations) {
    ModelRig rig;
    rig.console.setWaitAfterE8(10, 0);
    rig.console.setWaitAfterE8(13, 0);
    rig.console.EnterPushed(5);
    rig.op.RigOpFunc_ClickCmd00(1);  // every button stops the automatic operation first
    EXPECT_EQ(rig.console.WaitAfterE8(10), 200);
    EXPECT_EQ(rig.console.WaitAfterE8(13), 500);
    EXPECT_FALSE(rig.console.flgEnterOn(5));
}

TEST(ItemTableTest, StateProperties) {
    ModelRig rig;
    EXPECT_TRUE(rig.op.RigK52TProp_Shielding());
    EXPECT_FALSE(rig.op.RigK52TProp_EditEnabled());
    EXPECT_FALSE(rig.op.RigK52TProp_DispPara());
}

TEST(ItemTableTest, ParameterTableFunctionsReadTheProgramImage) {
    ModelRig rig;
    testing::PutRigTable(rig.radio.eepImage());
    EXPECT_EQ(rig.op.RigK52TFunc_Ptbl_Search(3), 0x0208);
    EXPECT_EQ(rig.op.RigK52TFunc_Obj_Address(2), testing::kRigChannels);
    EXPECT_EQ(rig.op.RigK52TFunc_Obj_Number(2), 40);
    EXPECT_EQ(rig.op.RigK52TFunc_Obj_Size(3), 1);
}

// What files are checked against before any radio is connected must be what the console holds
// once the table is built.
TEST(ItemTableTest, ItemListAgreesWithTheConsole) {
    ModelRig rig;
    const std::vector<RigK52TItemInfo> list = RigK52TItemList();
    ASSERT_EQ(list.size(), 17u);
    for (std::int16_t i = 0; i < 17; ++i) {
        const RigK52TItemInfo& info = list[static_cast<std::size_t>(i)];
        SCOPED_TRACE(info.title);
        ASSERT_LE(info.title.size(), 10u);
        EXPECT_EQ(std::string(10 - info.title.size(), ' ') + info.title, rig.console.Title(i));
        EXPECT_EQ(info.min, rig.console.Min(i));
        EXPECT_EQ(info.max, i == 0 ? 40 : rig.console.Max(i));
        EXPECT_EQ(info.sentToRadio, rig.console.E8Command(i) >= 0 || rig.console.Event_SendE8(i) >= 0);
        EXPECT_EQ(info.channel, i == rig.op.chItem());
        EXPECT_EQ(FindRigK52TItem(rig.console.Title(i)), i);
    }
    EXPECT_EQ(FindRigK52TItem("power(hi)"), 1);
    EXPECT_EQ(FindRigK52TItem("Power(Hi) "), -1);
    EXPECT_EQ(FindRigK52TItem(""), -1);
}

}  // namespace
}  // namespace qs
