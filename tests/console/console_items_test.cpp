#include <gtest/gtest.h>

#include "console/console.h"
#include "console/recording_events.h"
#include "fakes/fake_controls.h"
#include "link/eeprom.h"

namespace qs {
namespace {

class ConsoleTest : public ::testing::Test {
protected:
    ConsoleTest() {
        console.setMyListBox(&box);
        console.setMyEventClass(&events);
        console.setMyEeprom(&eeprom);
    }

    // Appends an item titled `title` and returns its index, as the table builder does.
    std::int16_t add(const std::string& title) {
        console.AddItem();
        const auto index = static_cast<std::int16_t>(console.ListCount() - 1);
        console.setTitle(index, title);
        return index;
    }

    FakeListBox box;
    RecordingEvents events;
    clsCmcEeprom eeprom;
    clsConsole console;
};

TEST_F(ConsoleTest, FreshItemHasTheDefaultsAndShowsColonAndZero) {
    console.AddItem();
    ASSERT_EQ(console.ListCount(), 1);
    ASSERT_EQ(box.ListCount(), 1);
    EXPECT_EQ(box.List(0), ":   0");
    EXPECT_EQ(console.Min(0), 0);
    EXPECT_EQ(console.Max(0), 255);
    EXPECT_EQ(console.WaitAfterE8(0), 200);
    EXPECT_EQ(console.EeAdr(0), -1);
    EXPECT_EQ(console.E8Command(0), -1);
    EXPECT_EQ(console.Event_Disp(0), -1);
    EXPECT_EQ(console.Event_Changed(0), -1);
    EXPECT_EQ(console.Event_SendE8(0), -1);
    EXPECT_EQ(console.Event_Enter(0), -1);
    EXPECT_FALSE(console.flgChanged(0));
    EXPECT_FALSE(console.flgEnterOn(0));
    EXPECT_FALSE(console.BarExist(0));
    EXPECT_FALSE(console.LoopVal(0));
    EXPECT_FALSE(console.EeDataSigned(0));
}

TEST_F(ConsoleTest, ClearEmptiesItemsAndRowsSoARebuildDoesNotDouble) {
    for (int i = 0; i < 17; ++i)
        add("x");
    console.Clear();
    EXPECT_EQ(console.ListCount(), 0);
    EXPECT_EQ(box.ListCount(), 0);
    for (int i = 0; i < 17; ++i)
        add("x");
    EXPECT_EQ(box.ListCount(), 17);
}

TEST_F(ConsoleTest, ValueAboveMaxIsClampedAndMarksTheItemChanged) {
    const auto i = add(" Power(Hi)");
    console.setValue(i, 300);
    EXPECT_EQ(console.Value(i), 255);
    EXPECT_TRUE(console.flgChanged(i));
    EXPECT_EQ(box.List(i), " Power(Hi): 255");
    console.setValue(i, -7);
    EXPECT_EQ(console.Value(i), 0);
}

TEST_F(ConsoleTest, SettingTheSameValueMarksChangedWithoutRedrawing) {
    const auto i = add("A");
    console.setValue(i, 10);
    console.setFlgChanged(i, false);
    box.clearListWrites();
    console.setValue(i, 10);
    EXPECT_TRUE(console.flgChanged(i));
    EXPECT_TRUE(box.listWrites().empty());
}

TEST_F(ConsoleTest, MaxBelowMinPullsMinDownAndMinAboveMaxPushesMaxUp) {
    const auto i = add("A");
    console.setMin(i, 50);
    console.setValue(i, 60);
    console.setMax(i, 20);
    EXPECT_EQ(console.Min(i), 20);
    EXPECT_EQ(console.Max(i), 20);
    EXPECT_EQ(console.Value(i), 20);
    console.setMin(i, 100);
    EXPECT_EQ(console.Max(i), 100);
    EXPECT_EQ(console.Value(i), 100);
    EXPECT_EQ(box.List(i), "A: 100");
}

TEST_F(ConsoleTest, ClampingOnMinMaxDoesNotMarkTheItemChanged) {
    const auto i = add("A");
    console.setValue(i, 200);
    console.setFlgChanged(i, false);
    console.setMax(i, 100);
    EXPECT_EQ(console.Value(i), 100);
    EXPECT_FALSE(console.flgChanged(i));
}

struct StepCase {
    const char* name;
    std::int16_t min, max, start;
    bool loop;
    std::int16_t step;
    std::int16_t expected;
};

class ConsoleStepTest : public ConsoleTest, public ::testing::WithParamInterface<StepCase> {};

TEST_P(ConsoleStepTest, UpDownLandsOnTheExpectedValue) {
    const StepCase& c = GetParam();
    const auto i = add("A");
    console.setMin(i, c.min);
    console.setMax(i, c.max);
    console.setLoopVal(i, c.loop);
    console.setValue(i, c.start);
    console.setFlgChanged(i, false);
    console.UpDown(i, c.step);
    EXPECT_EQ(console.Value(i), c.expected);
    EXPECT_TRUE(console.flgChanged(i));
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ConsoleStepTest,
    ::testing::Values(
        StepCase{"PlusOne", 0, 255, 10, false, 1, 11},
        StepCase{"MinusFive", 0, 255, 10, false, -5, 5},
        StepCase{"StopsAtMax", 0, 255, 253, false, 5, 255},
        StepCase{"StopsAtMin", 0, 255, 2, false, -5, 0},
        StepCase{"NoWrapWithoutLoop", 0, 255, 255, false, 1, 255},
        StepCase{"WrapsFromMaxUp", 0, 40, 40, true, 1, 0},
        StepCase{"WrapsFromMinDown", 0, 40, 0, true, -1, 40},
        StepCase{"BigStepNearMaxOnlyClamps", 0, 40, 38, true, 5, 40},
        StepCase{"BigStepAtMaxWraps", 0, 40, 40, true, 5, 0},
        StepCase{"DownFromMaxJustDecrements", 0, 40, 40, true, -1, 39},
        StepCase{"UpFromMinJustIncrements", 0, 40, 0, true, 1, 1},
        StepCase{"WrapWhenMaxIsZeroStaysZero", 0, 0, 0, true, -1, 0},
        StepCase{"StepPast16BitEndStopsAtLimit", -32768, 32767, 32765, false, 5, 32767},
        StepCase{"StepBelow16BitEndStopsAtLimit", -32768, 32767, -32766, false, -5, -32768}),
    [](const auto& info) { return std::string(info.param.name); });

struct BarCase {
    std::int16_t min, max, value;
    int filled;
};

class ConsoleBarTest : public ConsoleTest, public ::testing::WithParamInterface<BarCase> {};

TEST_P(ConsoleBarTest, BarHasTheRoundedNumberOfFilledCells) {
    const BarCase& c = GetParam();
    const auto i = add("A");
    console.setMin(i, c.min);
    console.setMax(i, c.max);
    console.setValue(i, c.value);
    const std::string bar = console.BarString(i);
    ASSERT_EQ(bar.size(), 23u);
    EXPECT_EQ(bar, " [" + std::string(c.filled, '#') + std::string(20 - c.filled, '-') + "]");
}

INSTANTIATE_TEST_SUITE_P(Bars, ConsoleBarTest,
                         ::testing::Values(BarCase{0, 255, 0, 0},     // at Min
                                           BarCase{0, 255, 255, 20},  // at Max
                                           BarCase{0, 255, 128, 10},  // 10.04
                                           BarCase{0, 16, 2, 2},      // 2.5 to even
                                           BarCase{0, 16, 6, 8},      // 7.5 to even
                                           BarCase{0, 16, 10, 12},    // 12.5 to even
                                           BarCase{0, 16, 14, 18},    // 17.5 to even
                                           BarCase{10, 50, 30, 10},   // offset from Min
                                           BarCase{-128, 127, -128, 0},
                                           BarCase{-32768, 32767, 32767, 20},
                                           BarCase{7, 7, 7, 20}));  // no span: full

TEST_F(ConsoleTest, DefaultStringRightAlignsTheValueAndAppendsTheBar) {
    const auto i = add(" Power(Hi)");
    console.setValue(i, 45);
    EXPECT_EQ(console.DefaultString(i), " Power(Hi):  45");
    console.setMin(i, -32768);
    console.setValue(i, -5);
    EXPECT_EQ(console.DefaultString(i), " Power(Hi):  -5");
    console.setValue(i, -32768);
    EXPECT_EQ(console.DefaultString(i), " Power(Hi):2768");  // only the last four columns
    console.setMin(i, 0);
    console.setValue(i, 128);
    console.setBarExist(i, true);
    console.Disp(i);
    EXPECT_EQ(box.List(i), " Power(Hi): 128 [##########----------]");
}

TEST_F(ConsoleTest, DisplayEventTakesTheRowTextFromTheEventClass) {
    const auto i = add("A");
    console.setValue(i, 7);
    console.setEvent_Disp(i, 3);
    EXPECT_EQ(box.List(i), "ev3=7");
    ASSERT_FALSE(events.calls.empty());
    const auto& c = events.calls.back();
    EXPECT_EQ(c.what, "Disp");
    EXPECT_EQ(c.index, i);
    EXPECT_EQ(c.evNo, 3);
    EXPECT_EQ(c.val, 7);
}

TEST_F(ConsoleTest, SignedItemReadsTwosComplementAndWritesItBack) {
    const auto i = add("S");
    console.setMin(i, -128);
    console.setMax(i, 127);
    console.setEeAdr(i, 300);
    console.setEeDataSigned(i, true);
    eeprom.WriteByte(300, 200);
    console.ReadFromEe(i);
    EXPECT_EQ(console.Value(i), -56);
    EXPECT_TRUE(console.flgChanged(i));
    eeprom.WriteByte(300, 0);
    console.WriteToEe(i);
    EXPECT_EQ(eeprom.ReadByte(300), 200);
    console.setValue(i, -1);
    console.WriteToEe(i);
    EXPECT_EQ(eeprom.ReadByte(300), 255);
}

TEST_F(ConsoleTest, UnsignedItemReadsTheByteAndUnboundItemIsLeftAlone) {
    const auto bound = add("U");
    const auto unbound = add("N");
    console.setEeAdr(bound, 168);
    eeprom.WriteByte(168, 200);
    console.setValue(unbound, 9);
    console.setFlgChanged(unbound, false);
    console.ReadFromEe(bound);
    console.ReadFromEe(unbound);
    EXPECT_EQ(console.Value(bound), 200);
    EXPECT_EQ(console.Value(unbound), 9);
    EXPECT_FALSE(console.flgChanged(unbound));
}

TEST_F(ConsoleTest, AddressOutsideTheImageReadsZeroAndIsNotWritten) {
    const auto i = add("U");
    console.setEeAdr(i, clsCmcEeprom::kImageSizeBytes);
    console.setValue(i, 5);
    console.ReadFromEe(i);
    EXPECT_EQ(console.Value(i), 0);
    console.setValue(i, 5);
    console.WriteToEe(i);  // refused by the image, ignored here
    EXPECT_EQ(console.Value(i), 5);
}

TEST_F(ConsoleTest, OnlyTheLastPushedEnterStaysPending) {
    for (int n = 0; n < 5; ++n)
        add("x");
    console.EnterPushed(1);
    console.EnterPushed(3);
    for (std::int16_t i = 0; i < 5; ++i)
        EXPECT_EQ(console.flgEnterOn(i), i == 3) << i;
    console.setFlgEnterOn(3, false);
    EXPECT_FALSE(console.flgEnterOn(3));
}

TEST_F(ConsoleTest, EnterExecCallsTheEventWithItsNumberAndRedraws) {
    const auto plain = add("P");
    const auto special = add("S");
    console.setEvent_Enter(special, 8);
    console.setValue(special, 42);
    events.calls.clear();
    box.clearListWrites();
    console.EnterExec(plain);
    EXPECT_TRUE(events.calls.empty());
    EXPECT_TRUE(box.listWrites().empty());
    console.EnterExec(special);
    ASSERT_EQ(events.count("Enter"), 1);
    EXPECT_EQ(events.calls[0].evNo, 8);
    EXPECT_EQ(events.calls[0].val, 42);
    EXPECT_EQ(box.listWrites().size(), 1u);
}

TEST_F(ConsoleTest, EnterActionThatRebuildsTheListIsSafe) {
    const auto i = add("S");
    console.setEvent_Enter(i, 1);
    events.clearOnEnter = true;
    console.EnterExec(i);
    EXPECT_EQ(console.ListCount(), 0);
    EXPECT_EQ(box.ListCount(), 0);
}

TEST_F(ConsoleTest, SendWithEventGoesToTheEventClassAndStoresTheValue) {
    const auto i = add("C");
    console.setEvent_SendE8(i, 0);
    console.setEeAdr(i, 100);
    console.setValue(i, 33);
    console.SendE8(i);
    ASSERT_EQ(events.count("SendE8"), 1);
    EXPECT_EQ(events.calls.back().evNo, 0);
    EXPECT_EQ(events.calls.back().val, 33);
    EXPECT_TRUE(events.waits.empty());
    EXPECT_EQ(eeprom.ReadByte(100), 33);
}

TEST_F(ConsoleTest, SendWithoutCommandOrEventOnlyStoresTheValue) {
    const auto i = add("C");
    console.setEeAdr(i, 101);
    console.setValue(i, 77);
    console.SendE8(i);
    EXPECT_EQ(events.count("SendE8"), 0);
    EXPECT_TRUE(events.waits.empty());
    EXPECT_EQ(eeprom.ReadByte(101), 77);
}

TEST_F(ConsoleTest, IndicesOutsideTheListAreIgnored) {
    add("A");
    box.clearListWrites();
    for (std::int16_t bad : {std::int16_t{-1}, std::int16_t{1}, std::int16_t{32767}}) {
        console.UpDown(bad, 1);
        console.setValue(bad, 3);
        console.setTitle(bad, "x");
        console.EnterPushed(bad);
        console.EnterExec(bad);
        console.SendE8(bad);
        console.ReadFromEe(bad);
        console.Disp(bad);
        EXPECT_EQ(console.Value(bad), 0);
        EXPECT_EQ(console.Max(bad), 255);
    }
    EXPECT_TRUE(box.listWrites().empty());
    EXPECT_FALSE(console.flgEnterOn(0));
}

TEST_F(ConsoleTest, WorksWithoutListBoxOrEventClass) {
    clsConsole bare;
    bare.AddItem();
    bare.setEvent_Disp(0, 2);
    bare.setEvent_Enter(0, 2);
    bare.setValue(0, 12);
    bare.EnterExec(0);
    bare.SendE8(0);
    EXPECT_EQ(bare.Value(0), 12);
}

}  // namespace
}  // namespace qs
