#include "fakes/fake_controls.h"

#include <gtest/gtest.h>

namespace qs {
namespace {

// The layout and focus tests of the shell and the model lean on these fakes behaving like
// the real controls in the ways that matter.

TEST(FakeControls, LabelSizesItselfFromItsWidestLineAndLineCount) {
    FakeLabel label;
    label.Move(10, 20, 1, 1);
    label.setCaption("abc\r\nabcdef\r\nx");
    EXPECT_EQ(label.width(), 6 * FakeLabel::kCharWidthTwips);
    EXPECT_EQ(label.height(), 3 * FakeLabel::kLineHeightTwips);
    label.MovePosition(300, 400);
    EXPECT_EQ(label.left(), 300);
    EXPECT_EQ(label.top(), 400);
    EXPECT_EQ(label.width(), 6 * FakeLabel::kCharWidthTwips);
}

TEST(FakeControls, FocusAndTabOrderAreSharedAcrossTheWindow) {
    FakeMainWindow w;
    w.lboConsole.setFocus();
    EXPECT_TRUE(w.lboConsole.hasFocus());
    w.cmd00[1].setFocus();
    EXPECT_FALSE(w.lboConsole.hasFocus());
    EXPECT_TRUE(w.cmd00[1].hasFocus());
    w.cmd00[0].moveToEndOfTabOrder();
    EXPECT_EQ(w.tabOrder().back(), "cmd00(0)");
}

TEST(FakeControls, ListBoxIgnoresRowsOutOfRangeButRecordsTheWrite) {
    FakeListBox box;
    box.AddItem("a");
    box.setList(3, "x");
    box.setList(0, "b");
    EXPECT_EQ(box.rows(), std::vector<std::string>{"b"});
    EXPECT_EQ(box.listWrites().size(), 2u);
    EXPECT_EQ(box.List(-1), "");
    box.setListIndex(0);
    box.Clear();
    EXPECT_EQ(box.ListIndex(), -1);
}

TEST(FakeControls, WindowMoveKeepsItsFrameAroundTheClientArea) {
    FakeWindow win;
    win.setFrameSize(100, 600);
    win.Move(0, 0, 9525, 8500);
    EXPECT_EQ(win.clientWidth(), 9425);
    EXPECT_EQ(win.clientHeight(), 7900);
}

TEST(FakeControls, MainWindowFillsEveryControlPointer) {
    FakeMainWindow w;
    const MainWindowControls c = w.controls();
    EXPECT_NE(c.window, nullptr);
    EXPECT_EQ(c.mnuOptSelCom[0], nullptr);
    for (int i = 1; i <= 4; ++i)
        EXPECT_NE(c.mnuOptSelCom[i], nullptr);
    for (auto* m : c.mnuOptionSelAutoRelease)
        EXPECT_NE(m, nullptr);
    EXPECT_EQ(w.mnuOptionSelAutoRelease[3].caption(), "&3 sec");
}

}  // namespace
}  // namespace qs
