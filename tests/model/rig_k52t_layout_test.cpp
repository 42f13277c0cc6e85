#include <cmath>

#include <gtest/gtest.h>

#include "model_rig.h"

namespace qs {
namespace {

using testing::ModelRig;

TEST(FormResourceTest, CaptionsAndReadingListHeaders) {
    ModelRig rig;
    EXPECT_EQ(rig.win.cmd00[0].caption(), "Connect");
    EXPECT_EQ(rig.win.cmd00[1].caption(), "Reload(F5)");
    EXPECT_EQ(rig.win.cmd00[2].caption(), "Disp para");
    ASSERT_EQ(rig.win.lbo01[0].ListCount(), 6);
    ASSERT_EQ(rig.win.lbo01[1].ListCount(), 10);
    EXPECT_EQ(rig.win.lbo01[0].List(0), "[A/D]");
    EXPECT_EQ(rig.win.lbo01[1].List(0), "[D/A]");
    for (int i = 1; i < 6; ++i)
        EXPECT_EQ(rig.win.lbo01[0].List(i), "----");
    for (int i = 1; i < 10; ++i)
        EXPECT_EQ(rig.win.lbo01[1].List(i), "----");
    EXPECT_EQ(rig.win.lblProgress.caption(), std::string(32, ' '));
    rig.op.RigOpFunc_FormResource();
    EXPECT_EQ(rig.win.lbo01[1].ListCount(), 10);
}

struct ScreenCase {
    std::int32_t screenHeight;
    std::int32_t windowHeight;
};

class FirstLayoutTest : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(FirstLayoutTest, WindowSizedOnceAndCentred) {
    ModelRig rig;
    rig.win.window.setScreenSize(15360, GetParam().screenHeight);
    rig.op.RigOpFunc_FormLayout();
    const std::int32_t h = GetParam().windowHeight;
    EXPECT_EQ(rig.win.window.width(), 9525);
    EXPECT_EQ(rig.win.window.height(), h);
    EXPECT_EQ(rig.win.window.left(), (15360 - 9525) / 2);
    EXPECT_EQ(rig.win.window.top(),
              static_cast<std::int32_t>(std::lround((GetParam().screenHeight - h) * 0.3)));
    const int moves = rig.win.window.moveCount();
    rig.op.RigOpFunc_FormLayout();
    EXPECT_EQ(rig.win.window.moveCount(), moves);
}

INSTANTIATE_TEST_SUITE_P(Screens, FirstLayoutTest,
                         ::testing::Values(ScreenCase{11520, 8500}, ScreenCase{7200, 6600},
                                           ScreenCase{9000, 8100}, ScreenCase{10000, 9000},
                                           ScreenCase{10020, 8500}));

TEST(LayoutTest, ControlsForClientArea) {
    ModelRig rig;
    rig.win.window.setClientSize(9405, 7710);
    rig.win.linSepa[1].setCoords(0, 15, 9405, 15);
    rig.op.RigOpFunc_FormLayout();
    rig.win.window.setClientSize(9405, 7710);  // the first call also moved the window
    rig.op.RigOpFunc_FormLayout();

    const std::int32_t firstLeft = (9405 - 5640) / 2;
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rig.win.cmd00[i].left(), firstLeft + i * 1920);
        EXPECT_EQ(rig.win.cmd00[i].top(), 135);
        EXPECT_EQ(rig.win.cmd00[i].width(), 1800);
        EXPECT_EQ(rig.win.cmd00[i].height(), 330);
        EXPECT_TRUE(rig.win.cmd00[i].visible());
    }
    for (int f : {0, 1, 3}) {
        EXPECT_EQ(rig.win.fra01[f].left(), 120);
        EXPECT_EQ(rig.win.fra01[f].top(), 465);
        EXPECT_EQ(rig.win.fra01[f].width(), 9165);
        EXPECT_EQ(rig.win.fra01[f].height(), 7710 - 465 - 120);
    }
    EXPECT_EQ(rig.win.fra01[2].left(), 120);
    EXPECT_EQ(rig.win.fra01[2].top(), 180);
    EXPECT_EQ(rig.win.fra01[2].width(), 8925);
    EXPECT_EQ(rig.win.fra01[2].height(), 2400);
    EXPECT_FALSE(rig.win.fra01[2].border());
    EXPECT_EQ(rig.win.lbo01[0].left(), 120);
    EXPECT_EQ(rig.win.lbo01[0].width(), (8925 - 360) / 2);
    EXPECT_EQ(rig.win.lbo01[0].height(), 2280);
    EXPECT_EQ(rig.win.lbo01[1].left(), 120 + 4282 + 120);
    EXPECT_EQ(rig.win.lboConsole.left(), 240);
    EXPECT_EQ(rig.win.lboConsole.top(), 180 + 2400 + 120);
    EXPECT_EQ(rig.win.lboConsole.width(), 9165 - 480);
    EXPECT_EQ(rig.win.lboConsole.height(), 7125 - 2700 - 180);
    EXPECT_EQ(rig.win.txtDispPara.left(), 120);
    EXPECT_EQ(rig.win.txtDispPara.top(), 240);
    EXPECT_EQ(rig.win.txtDispPara.width(), 9165 - 240);
    EXPECT_EQ(rig.win.txtDispPara.height(), 7125 - 360);
    EXPECT_EQ(rig.win.lblTitle.left(), (9165 - rig.win.lblTitle.width()) / 2);
    EXPECT_EQ(rig.win.lblTitle.top(), 240);
    EXPECT_EQ(rig.win.lblProgress.top(), 240 + rig.win.lblTitle.height() + 240);

    const auto& order = rig.win.tabOrder();
    ASSERT_GE(order.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(order.end() - 4, order.end()),
              (std::vector<std::string>{"cmd00(0)", "cmd00(1)", "cmd00(2)", "txtDispPara"}));
}

TEST(LayoutTest, TinyWindowKeepsSizesPositive) {
    ModelRig rig;
    rig.op.RigOpFunc_FormLayout();
    rig.win.window.setClientSize(100, 50);
    rig.win.linSepa[1].setCoords(0, 15, 100, 15);
    rig.op.RigOpFunc_FormLayout();
    for (int f = 0; f < 4; ++f) {
        EXPECT_GE(rig.win.fra01[f].width(), 1);
        EXPECT_GE(rig.win.fra01[f].height(), 1);
    }
    EXPECT_GE(rig.win.lboConsole.height(), 1);
    EXPECT_GE(rig.win.lboConsole.width(), 1);
    EXPECT_GE(rig.win.txtDispPara.height(), 1);
    EXPECT_GE(rig.win.lbo01[0].width(), 1);
}

TEST(SubNameTest, OnlyFirstByteDecides) {
    ModelRig rig;
    for (const char* ok : {"0101", "0102", "0103", "01FF", "0000", "00", "0", ""}) {
        EXPECT_TRUE(rig.op.RigOpFunc_CheckSubNameLegal(ok)) << ok;
    }
    for (const char* refused : {"0200", "1000", "0A00", "02", "0a00", "\xFF"}) {
        EXPECT_FALSE(rig.op.RigOpFunc_CheckSubNameLegal(refused)) << refused;
    }
}

TEST(ComPortTest, SamePortKeepsModelAnotherResetsIt) {
    ModelRig rig;
    rig.console.setValue(1, 50);
    rig.op.RigOpFunc_SetComPortNo(1);
    EXPECT_EQ(rig.console.Value(1), 50);
    rig.op.RigOpFunc_SetComPortNo(3);
    EXPECT_EQ(rig.op.comPortNo(), 3);
    EXPECT_EQ(rig.console.Value(1), 0);
    EXPECT_EQ(rig.seq.ComPortNo(), 3);
}

TEST(ClickTest, ConnectResetsAndStartsAndResultIsEmpty) {
    ModelRig rig;
    rig.console.setValue(1, 50);
    TaggedValue result = rig.op.RigOpFunc_ClickCmd00(0);
    EXPECT_TRUE(result.isEmpty());
    EXPECT_EQ(rig.op.taskState(), 1);
    EXPECT_TRUE(rig.op.stateEntry());
    EXPECT_EQ(rig.console.Value(1), 0);
    EXPECT_TRUE(rig.op.RigOpFunc_ClickCmd00(7).isEmpty());
}

TEST(ClickTest, ReloadAndDispParaOutsideCycleDoNothing) {
    ModelRig rig;
    rig.op.RigOpFunc_ClickCmd00(1);
    rig.op.RigOpFunc_ClickCmd00(2);
    EXPECT_FALSE(rig.op.reloadRequest());
    EXPECT_FALSE(rig.op.dispParaRequest());
}

TEST(ClickTest, AnyButtonStopsAutomaticOperation) {
    ModelRig rig;
    rig.op.ConsEv_Enter(rig.console, 16, 1, 0);
    EXPECT_EQ(rig.op.opState(), 6);
    rig.op.RigOpFunc_ClickCmd00(1);
    EXPECT_EQ(rig.op.opState(), 0);
}

}  // namespace
}  // namespace qs
