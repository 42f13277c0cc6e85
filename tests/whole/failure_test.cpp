// Radio faults during the adjustment cycle: each ends in its message, the port closed and the
// model idle, and the next Connect to a healthy radio works without a restart.
#include <gtest/gtest.h>

#include "builtin_image.h"
#include "shell/main_window.h"
#include "whole_program.h"

namespace qs::whole {
namespace {

namespace builtin = qtsim::builtin;

const std::string kCommunicationFailed =
    "Communication failed.\r\n\r\nCheck the following:\r\n- Cloning cable connections.\r\n"
    "- Transceiver power is ON.";
const std::string kNoAnswer =
    "No answer from transceiver.\r\n\r\nCheck the following:\r\n- The COM port settings.\r\n"
    "- Cloning cable connections.\r\n- Transceiver power is ON.";

void ExpectIdleAfterError(WholeProgram& p) {
    EXPECT_EQ(p.model().taskState(), 0);
    EXPECT_EQ(p.model().opState(), 0);
    EXPECT_FALSE(p.app.sequence().OpRunning());
    EXPECT_FALSE(p.cable.portOpen());
    EXPECT_EQ(p.console().ListCount(), 17);
    EXPECT_EQ(p.console().Value(1), 0);
    p.RunFor(2);
    EXPECT_TRUE(p.win.fra01[0].visible());
    EXPECT_FALSE(p.win.fra01[1].visible());
    EXPECT_FALSE(p.win.cmd00[1].enabled());
}

TEST(FailureTest, BadReadingAnswerEndsInCommunicationFailed) {
    qtsim::RadioConfig config;
    config.faults.readingDigits = true;
    WholeProgram p(config);
    p.Click(0);
    ASSERT_TRUE(p.RunUntil([&] { return !p.box.shown.empty(); }));
    ASSERT_EQ(p.box.shown.size(), 1u);
    EXPECT_EQ(p.box.shown[0].caption, "QS-71DR ADJ Rev.1.0");
    EXPECT_EQ(p.box.shown[0].text, kCommunicationFailed);
    ExpectIdleAfterError(p);

    // The same program, a healthy radio, a second Connect.
    p.PlugRadio({}, qtsim::MemoryImage::builtIn());
    ASSERT_TRUE(p.Connect());
    EXPECT_EQ(p.box.shown.size(), 1u);
    EXPECT_EQ(p.console().Value(1), builtin::kPowerHi);
    EXPECT_TRUE(p.model().RigK52TProp_EditEnabled());
}

TEST(FailureTest, ReadingFromAnotherModelEndsInCommunicationFailed) {
    qtsim::RadioConfig config;
    config.faults.readingIdentity = true;
    WholeProgram p(config);
    p.Click(0);
    ASSERT_TRUE(p.RunUntil([&] { return !p.box.shown.empty(); }));
    EXPECT_EQ(p.box.shown[0].text, kCommunicationFailed);
    ExpectIdleAfterError(p);
}

TEST(FailureTest, RadioThatStopsAnsweringMidCycleEndsInNoAnswer) {
    WholeProgram p;
    ASSERT_TRUE(p.Connect());
    p.SilenceRadio();
    p.Key(kKeyF5);  // the next cycle reads, and nothing answers
    ASSERT_TRUE(p.RunUntil([&] { return !p.box.shown.empty(); }, 400));
    p.RunFor(2);
    ASSERT_EQ(p.box.shown.size(), 1u);
    EXPECT_EQ(p.box.shown[0].text, kNoAnswer);
    ExpectIdleAfterError(p);

    p.PlugRadio({}, qtsim::MemoryImage::builtIn());
    ASSERT_TRUE(p.Connect());
    EXPECT_EQ(p.box.shown.size(), 1u);
    EXPECT_EQ(p.console().Value(13), builtin::kTxLva);
}

TEST(FailureTest, RadioThatStopsDuringAnAutomaticOperation) {
    WholeProgram p;
    ASSERT_TRUE(p.Connect());
    p.SelectRow(10);
    p.Key(kKeyEnter);
    ASSERT_TRUE(p.RunUntil([&] { return p.model().opState() == 15; }, 40));
    p.RunFor(30);
    p.SilenceRadio();
    ASSERT_TRUE(p.RunUntil([&] { return !p.box.shown.empty(); }, 400));
    p.RunFor(2);
    EXPECT_EQ(p.box.shown.size(), 1u);
    EXPECT_EQ(p.beeper.beeps, 0);
    ExpectIdleAfterError(p);
}

TEST(FailureTest, ReadingAnswerOfWrongLengthEndsInMessage) {
    qtsim::RadioConfig config;
    config.faults.readingLength = true;
    WholeProgram p(config);
    p.Click(0);
    ASSERT_TRUE(p.RunUntil([&] { return !p.box.shown.empty(); }));
    ExpectIdleAfterError(p);
    EXPECT_EQ(p.win.lbo01[0].List(1), "----");
}

}  // namespace
}  // namespace qs::whole
