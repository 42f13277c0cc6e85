#include <gtest/gtest.h>

#include "fakes/fake_alerts.h"
#include "shell/clone_error_text.h"
#include "shell/show_message.h"
#include "shell/window_rig.h"

namespace qs {
namespace {

const std::string kListA =
    "Check the following:\r\n- The COM port settings.\r\n- Cloning cable connections.\r\n"
    "- Transceiver power is ON.";
const std::string kListB =
    "Check the following:\r\n- Cloning cable connections.\r\n- Transceiver power is ON.";
const std::string kListC =
    "Check the following:\r\n- Appropriate cloning software for the transceiver is being "
    "used.\r\n- The revision number of the transceiver.";

struct Row {
    const char* name;
    CloneErrorState state;
    std::string text;
};

class CloneErrorTable : public ::testing::TestWithParam<Row> {};

TEST_P(CloneErrorTable, GivesTheExactMessage) {
    EXPECT_EQ(CloneErrorText(GetParam().state), GetParam().text);
}

// Another program has the port: its holder instead of the checklist.
TEST(CloneErrorText, APortInUseNamesItsHolder) {
    const std::string holder = "/dev/ttyUSB0 is in use by qs71dr-cli (process 4121)";
    EXPECT_EQ(CloneErrorText({true, false, 3, 0, 0}, holder),
              "Cannot access COM 3.\r\n\r\n" + holder + ".");
    EXPECT_EQ(CloneErrorText({false, false, 1, 2, 0}, holder),
              "No answer from transceiver.\r\n\r\n" + kListA);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CloneErrorTable,
    ::testing::Values(
        Row{"PortOneCannotOpen", {true, false, 1, 0, 0}, "Cannot access COM 1.\r\n\r\n" + kListA},
        Row{"PortFourCannotOpen", {true, false, 4, 0, 0}, "Cannot access COM 4.\r\n\r\n" + kListA},
        Row{"PortFailureBeatsDriverCode",
            {true, true, 2, 2, 4},
            "Cannot access COM 2.\r\n\r\n" + kListA},
        Row{"Overflow", {false, true, 1, 3, 0}, "COM buffer overflow.\r\n\r\n" + kListA},
        Row{"DriverNoEcho", {false, false, 1, 1, 4}, "Cannot access COM port\r\n\r\n" + kListA},
        Row{"DriverNoAnswer",
            {false, false, 1, 2, 0},
            "No answer from transceiver.\r\n\r\n" + kListA},
        Row{"DriverBadAnswer", {false, false, 1, 3, 0}, "Illegal data.\r\n\r\n" + kListA},
        Row{"DriverCount", {false, false, 1, 4, 0}, "Data counter error.\r\n\r\n" + kListA},
        Row{"DriverOverflow", {false, false, 1, 5, 0}, "Data overflow.\r\n\r\n" + kListA},
        Row{"DriverCodeBeatsSequence",
            {false, false, 1, 2, 2},
            "No answer from transceiver.\r\n\r\n" + kListA},
        Row{"NothingKnown", {false, false, 1, 0, 0}, "Communication failed.\r\n\r\n" + kListB},
        Row{"SubCodeRefused",
            {false, false, 1, 0, 2},
            "Version number does not match\r\nfor this transceiver."},
        Row{"FormatRefused",
            {false, false, 1, 0, 3},
            "Connected transceiver is not compatible model.\r\n\r\n" + kListC},
        Row{"ModelCode", {false, false, 1, 0, 1}, "Cannot Clone.\r\n\r\n" + kListA},
        Row{"SequenceDriverCode", {false, false, 1, 0, 4}, "Cannot Clone.\r\n\r\n" + kListA},
        Row{"UnknownDriverCodeIsStillAFailure",
            {false, false, 1, 9, 0},
            "Cannot Clone.\r\n\r\n" + kListA}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ShowMessage, ExpandsBackslashNAndUsesTheProgramTitle) {
    FakeMessageBox box;
    EXPECT_EQ(ShowMessage(box, "one\\ntwo"), FakeMessageBox::kOk);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].caption, "QS-71DR ADJ Rev.1.0");
    EXPECT_EQ(box.shown[0].text, "one\r\ntwo");
}

class MsgBoxCloneErrTest : public ::testing::Test, protected testing::WindowRig {};

TEST_F(MsgBoxCloneErrTest, ResetsTheModelBeforeShowingTheMessage) {
    log.clear();
    com.kel3D().setLastError(2);
    main.MsgBoxCloneErr(sequence);
    EXPECT_EQ(log, (std::vector<std::string>{"ResetAll", "ShowMessage"}));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].caption, "QS-71DR ADJ Rev.1.0");
    EXPECT_EQ(box.shown[0].text, "No answer from transceiver.\r\n\r\n" + kListA);
}

// An automatic operation cut short: its note follows the message, which stays as it is.
TEST_F(MsgBoxCloneErrTest, AnOperationCutShortIsNamedAfterTheMessage) {
    model.stoppedNote = "The band-pass sweep stopped before its end; the radio holds BPF T1 = 70.";
    com.kel3D().setLastError(2);
    main.MsgBoxCloneErr(sequence);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, "No answer from transceiver.\r\n\r\n" + kListA + "\r\n\r\n" +
                                     model.stoppedNote);
}

TEST_F(MsgBoxCloneErrTest, PortThatCannotOpenIsNamedAndBeatsTheDriverCode) {
    cable.setOpenFailure("no such port");
    com.setComPortNum(4);
    com.setComOpen(true);
    ASSERT_TRUE(com.errCannotOpen());
    com.kel3D().setLastError(1);
    main.MsgBoxCloneErr(sequence);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, "Cannot access COM 4.\r\n\r\n" + kListA);
}

}  // namespace
}  // namespace qs
