#include "shell/main_window.h"

#include <gtest/gtest.h>

#include "fakes/memory_profile_store.h"
#include "link/hex_text.h"
#include "shell/profile_io.h"
#include "shell/window_rig.h"

namespace qs {
namespace {

class MainWindowTest : public ::testing::Test, protected testing::WindowRig {
protected:
    MainWindowTest() : prof(store) {
        console.setMyListBox(&ui.lboConsole);
        for (int i = 0; i < 4; ++i) {
            console.AddItem();
            console.setValue(static_cast<std::int16_t>(i), 100);
        }
        prof.SetCurrentPath();
        prof.setName("RW5120A.rs");
        com.setSettingsSaver([this] { main.saveData(prof); });
    }

    std::string file() const { return prof.GetMyProfile(); }

    MemoryProfileStore store;
    clsCmcProfileIO prof;
};

TEST_F(MainWindowTest, InitialiseChoosesPortOneAndReleaseOff) {
    EXPECT_EQ(main.ComPortNo(), 1);
    EXPECT_EQ(main.ComAutoRelease(), 0);
    EXPECT_EQ(model.portNos, std::vector<std::int16_t>{1});
    EXPECT_EQ(sequence.comHoldReload(), 0);
}

TEST_F(MainWindowTest, ComMenuMarksItsItemOnTheNextTickAndTheLabelFollows) {
    main.task();
    main.OnMenuComPort(3);
    EXPECT_EQ(model.portNos.back(), 3);
    EXPECT_TRUE(ui.mnuOptSelCom[1].checked());  // the click itself marks nothing
    main.task();
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(ui.mnuOptSelCom[i].checked(), i == 3) << i;
    EXPECT_EQ(ui.lblComBusy.caption(), "COM 3: CLOSE");
    EXPECT_EQ(ui.lblComBusy.foreColor(), ColorRole::GrayText);
}

TEST_F(MainWindowTest, PortLabelShowsOpenInButtonText) {
    com.setComOpen(true);
    ASSERT_TRUE(com.comOpen());
    main.OnMenuComPort(2);
    main.task();
    EXPECT_EQ(ui.lblComBusy.caption(), "COM 2: OPEN");
    EXPECT_EQ(ui.lblComBusy.foreColor(), ColorRole::ButtonText);
}

TEST_F(MainWindowTest, ReleaseMenuSetsTheHoldTimeAndItsCheckMark) {
    main.OnMenuAutoRelease(5);
    EXPECT_EQ(sequence.comHoldReload(), 5000);
    main.task();
    for (int i = 0; i <= 5; ++i)
        EXPECT_EQ(ui.mnuOptionSelAutoRelease[i].checked(), i == 5) << i;
    main.OnMenuAutoRelease(0);
    EXPECT_EQ(sequence.comHoldReload(), 0);
}

TEST_F(MainWindowTest, MenuIndicesOutsideTheMenusAreIgnored) {
    main.OnMenuComPort(0);
    main.OnMenuComPort(5);
    main.OnMenuAutoRelease(-1);
    main.OnMenuAutoRelease(6);
    EXPECT_EQ(main.ComPortNo(), 1);
    EXPECT_EQ(main.ComAutoRelease(), 0);
}

TEST_F(MainWindowTest, ArrowKeysStepTheSelectedItemByOneOrFiveWithShift) {
    ui.lboConsole.setListIndex(2);
    struct Case {
        std::int16_t key;
        std::int16_t shift;
        std::int16_t expected;
    } cases[] = {{kKeyRight, 0, 101},
                 {kKeyRight, kShiftMaskShift, 106},
                 {kKeyLeft, 0, 105},
                 {kKeyLeft, kShiftMaskShift, 100},
                 {kKeyRight, 2, 101}};  // Ctrl alone is not Shift
    for (const Case& c : cases) {
        EXPECT_TRUE(main.OnConsoleKeyDown(c.key, c.shift));
        EXPECT_EQ(console.Value(2), c.expected);
    }
    EXPECT_EQ(console.Value(1), 100);
    EXPECT_EQ(console.Value(3), 100);
}

TEST_F(MainWindowTest, EnterAndKeypadSeparatorMarkTheSelectedItemWithoutMovingTheSelection) {
    ui.lboConsole.setListIndex(1);
    EXPECT_TRUE(main.OnConsoleKeyDown(kKeyEnter, 0));
    EXPECT_TRUE(console.flgEnterOn(1));
    EXPECT_EQ(ui.lboConsole.ListIndex(), 1);
    ui.lboConsole.setListIndex(3);
    EXPECT_TRUE(main.OnConsoleKeyDown(kKeySeparator, 0));
    EXPECT_TRUE(console.flgEnterOn(3));
    EXPECT_FALSE(console.flgEnterOn(1));
}

TEST_F(MainWindowTest, OtherKeysKeepTheirListMeaning) {
    ui.lboConsole.setListIndex(0);
    for (std::int16_t key : {38, 40, 33, 34, 36, 35, 65}) {
        EXPECT_FALSE(main.OnConsoleKeyDown(key, 0)) << key;
    }
    EXPECT_EQ(console.Value(0), 100);
}

TEST_F(MainWindowTest, KeysWithNoRowSelectedChangeNothing) {
    EXPECT_TRUE(main.OnConsoleKeyDown(kKeyRight, 0));
    EXPECT_TRUE(main.OnConsoleKeyDown(kKeyEnter, 0));
    for (std::int16_t i = 0; i < 4; ++i) {
        EXPECT_EQ(console.Value(i), 100);
        EXPECT_FALSE(console.flgEnterOn(i));
    }
}

TEST_F(MainWindowTest, ConsoleFocusSelectsRowZeroOnlyWhenNothingIsSelected) {
    main.OnConsoleGotFocus();
    EXPECT_EQ(ui.lboConsole.ListIndex(), 0);
    ui.lboConsole.setListIndex(2);
    main.OnConsoleGotFocus();
    EXPECT_EQ(ui.lboConsole.ListIndex(), 2);
    console.Clear();
    main.OnConsoleGotFocus();
    EXPECT_EQ(ui.lboConsole.ListIndex(), -1);
}

TEST_F(MainWindowTest, F5ReloadsFromAnyControlAndOtherWindowKeysPassOn) {
    for (FakeControl* c : std::initializer_list<FakeControl*>{
             &ui.lboConsole, &ui.cmd00[0], &ui.cmd00[2], &ui.txtDispPara, &ui.lbo01[1]}) {
        c->setFocus();
        EXPECT_TRUE(main.OnWindowKeyDown(kKeyF5, 0)) << c->name();
    }
    EXPECT_EQ(model.clicks, (std::vector<std::int16_t>{1, 1, 1, 1, 1}));
    EXPECT_FALSE(main.OnWindowKeyDown(kKeyRight, 0));
    EXPECT_FALSE(main.OnWindowKeyDown(115, 0));  // F4
    EXPECT_EQ(model.clicks.size(), 5u);
}

TEST_F(MainWindowTest, CommandButtonsReachTheModelWithTheirIndex) {
    main.OnCommandClick(0);
    main.OnCommandClick(2);
    EXPECT_EQ(model.clicks, (std::vector<std::int16_t>{0, 2}));
}

TEST_F(MainWindowTest, LoadSetsCaptionAndTitleThenResourcesThenLayout) {
    log.clear();
    main.Form_Load();
    EXPECT_EQ(ui.window.caption(), "QS-71DR ADJ Rev.1.0");
    const std::string title = ui.lblTitle.caption();
    EXPECT_EQ(title.rfind("QS-71DR ADJ Rev.1.0\r\nAdjust Utility for QT-71DR\r\n", 0), 0u);
    EXPECT_EQ(ui.lblTitle.height(), 3 * FakeLabel::kLineHeightTwips);
    EXPECT_EQ(log, (std::vector<std::string>{"FormResource", "FormLayout"}));
}

TEST_F(MainWindowTest, ResizeDrawsTheEtchedSeparatorAndParksThePortLabel) {
    ui.window.setClientSize(9405, 6000);
    ui.window.setTwipsPerPixelY(12);
    ui.lblComBusy.setCaption("COM 1: OPEN");
    log.clear();
    main.Form_Resize();
    EXPECT_EQ(ui.linSepa[0].x1(), 0);
    EXPECT_EQ(ui.linSepa[0].y1(), 0);
    EXPECT_EQ(ui.linSepa[0].x2(), 9405);
    EXPECT_EQ(ui.linSepa[0].y2(), 0);
    EXPECT_EQ(ui.linSepa[1].y1(), 12);
    EXPECT_EQ(ui.linSepa[1].y2(), 12);
    EXPECT_EQ(ui.linSepa[1].x2(), 9405);
    EXPECT_EQ(ui.linSepa[0].color(), ColorRole::ButtonShadow);
    EXPECT_EQ(ui.linSepa[1].color(), ColorRole::Highlight3D);
    EXPECT_EQ(ui.lblComBusy.caption(), "");
    EXPECT_EQ(ui.lblComBusy.left(), 120);
    EXPECT_EQ(ui.lblComBusy.top(), 120);
    EXPECT_EQ(log, std::vector<std::string>{"FormLayout"});
}

TEST_F(MainWindowTest, TaskRunsTheModelOncePerTick) {
    main.task();
    main.task();
    EXPECT_EQ(model.tasks, 2);
}

TEST_F(MainWindowTest, CommandTheModelStartsIsFinishedInTheSameHeartbeat) {
    radio.setRadioNameM("3017");
    radio.setRadionameS("0102");
    model.onTask = [this] {
        if (model.tasks == 1) sequence.easySendE8NoAnswer("093830");
    };
    main.task();
    ASSERT_EQ(cable.writes().size(), 1u);
    EXPECT_EQ(BytesToHexText(cable.writes()[0]), "FEFEEEEFE830170102093830FD");
    // The sequence's second step after the model's ends it; without that step the
    // sequence would stay busy until the next heartbeat.
    EXPECT_FALSE(sequence.OpRunning());
}

TEST_F(MainWindowTest, HiddenKeySequenceChangesTheCaptionOnlyWhenComplete) {
    main.Form_Load();
    // Type characters that the rule turns into the fixed text, after some noise.
    std::string typed;
    for (char wanted : HiddenKeySequence::Secret()) {
        for (int c = 32; c < 127; ++c) {
            if (HiddenKeySequence::Transform(static_cast<char>(c)) == wanted) {
                typed += static_cast<char>(c);
                break;
            }
        }
    }
    ASSERT_EQ(typed.size(), HiddenKeySequence::kBufferChars);
    for (char c : std::string("xyz12"))
        main.OnCommandKeyPress(c);
    for (std::size_t i = 0; i + 1 < typed.size(); ++i)
        main.OnCommandKeyPress(typed[i]);
    EXPECT_EQ(ui.window.caption(), "QS-71DR ADJ Rev.1.0");
    EXPECT_EQ(main.hiddenKeys().buffer().size(), HiddenKeySequence::kBufferChars);
    main.OnCommandKeyPress(typed.back());
    EXPECT_EQ(ui.window.caption(), HiddenKeySequence::Caption());
    EXPECT_NE(HiddenKeySequence::Caption(), "QS-71DR ADJ Rev.1.0");
}

TEST(HiddenKeyRule, LettersAndDigitsMoveRoundOthersStayAllUpperCase) {
    EXPECT_EQ(HiddenKeySequence::Transform('a'), 'N');
    EXPECT_EQ(HiddenKeySequence::Transform('N'), 'A');
    EXPECT_EQ(HiddenKeySequence::Transform('z'), 'M');
    EXPECT_EQ(HiddenKeySequence::Transform('0'), '5');
    EXPECT_EQ(HiddenKeySequence::Transform('9'), '4');
    EXPECT_EQ(HiddenKeySequence::Transform('-'), '-');
    EXPECT_EQ(HiddenKeySequence::Secret().size(), 13u);
}

TEST_F(MainWindowTest, SettingsWithNoFileGiveComOneAndReleaseOff) {
    main.OnMenuComPort(4);
    main.OnMenuAutoRelease(2);
    main.loadData(prof);
    EXPECT_EQ(main.ComPortNo(), 1);
    EXPECT_EQ(main.ComAutoRelease(), 0);
    EXPECT_EQ(sequence.comHoldReload(), 0);
    EXPECT_EQ(prof.Section(), "OPTION");
}

TEST_F(MainWindowTest, SettingsAreSavedAsDecimalNumbersInOption) {
    main.OnMenuComPort(2);
    main.OnMenuAutoRelease(3);
    main.saveData(prof);
    EXPECT_EQ(store.value(file(), "OPTION", "ComPort"), "2");
    EXPECT_EQ(store.value(file(), "OPTION", "ComAutoRelease"), "3");
}

TEST_F(MainWindowTest, SettingsThatAreNotUsableFallBackToTheDefaults) {
    struct Case {
        const char* port;
        const char* release;
    } cases[] = {{"", ""}, {"abc", "x"}, {"0", "-1"}, {"5", "6"}, {"70000", "40"}, {"-3", "1e9"}};
    for (const Case& c : cases) {
        main.OnMenuComPort(3);
        main.OnMenuAutoRelease(4);
        store.setRaw(file(), "OPTION", "ComPort", c.port);
        store.setRaw(file(), "OPTION", "ComAutoRelease", c.release);
        main.loadData(prof);
        EXPECT_EQ(main.ComPortNo(), 1) << c.port;
        EXPECT_EQ(main.ComAutoRelease(), 0) << c.release;
        EXPECT_EQ(sequence.comHoldReload(), 0) << c.release;
    }
}

TEST_F(MainWindowTest, LoadedSettingsReachTheModelAndTheSequence) {
    store.setRaw(file(), "OPTION", "ComPort", "4");
    store.setRaw(file(), "OPTION", "ComAutoRelease", "5");
    main.loadData(prof);
    EXPECT_EQ(main.ComPortNo(), 4);
    EXPECT_EQ(model.portNos.back(), 4);
    EXPECT_EQ(sequence.comHoldReload(), 5000);
}

TEST_F(MainWindowTest, CloseSavesTheSettingsClosesThePortAndStopsTheHeartbeatOnce) {
    timer.setEnabled(true);
    com.setComOpen(true);
    main.OnMenuComPort(2);
    main.OnMenuAutoRelease(3);
    main.OnMenuExit();  // no front end wired: closes directly
    EXPECT_FALSE(com.comOpen());
    EXPECT_FALSE(timer.enabled());
    EXPECT_EQ(store.value(file(), "OPTION", "ComPort"), "2");
    const int writes = store.writes;
    main.Form_QueryUnload();
    EXPECT_EQ(store.writes, writes);
}

TEST_F(MainWindowTest, ExitAsksTheFrontEndToCloseTheWindow) {
    int closes = 0;
    main.setCloseWindow([&] { ++closes; });
    main.OnMenuExit();
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(store.writes, 0);  // the front end's close runs Form_QueryUnload
}

}  // namespace
}  // namespace qs
