#include <gtest/gtest.h>

#include "link/hex_text.h"
#include "link/link_rig.h"
#include "link/radio_frames.h"

namespace qs {
namespace {

using namespace qs::testing;

class CountingTask : public IMainTask {
public:
    void task() override { ++runs; }
    int runs = 0;
};

class SerialService : public ::testing::Test {
protected:
    LinkRig rig;
    frmCom& com = rig.com;
    MemoryCable& cable = rig.cable;
};

TEST_F(SerialService, CreationAppliesTheLineSettingsAndLeavesThePortClosed) {
    EXPECT_FALSE(com.comOpen());
    EXPECT_EQ(com.comPortNum(), 1);
    EXPECT_EQ(com.comBaud(), 9600);
    EXPECT_TRUE(cable.dtrEnable());
    EXPECT_TRUE(cable.rtsEnable());
    EXPECT_EQ(cable.inBufferSize(), 32760);
    EXPECT_EQ(cable.outBufferSize(), 1024);
    EXPECT_EQ(rig.timer.interval(), 50);
    EXPECT_FALSE(rig.timer.enabled());
    EXPECT_TRUE(rig.timer.hasHandler());
    EXPECT_FALSE(com.totalError());
}

TEST_F(SerialService, PortNumberAcceptsOneToTen) {
    com.setComPortNum(10);
    EXPECT_EQ(com.comPortNum(), 10);
    com.setComPortNum(0);
    EXPECT_EQ(com.comPortNum(), 10);
    com.setComPortNum(11);
    EXPECT_EQ(com.comPortNum(), 10);
    com.setComPortNum(-1);
    EXPECT_EQ(com.comPortNum(), 10);
    com.setComPortNum(1);
    EXPECT_EQ(com.comPortNum(), 1);
}

TEST_F(SerialService, OpeningUsesPortNumberAndSpeed) {
    com.setComPortNum(3);
    com.setComBaud(19200);
    com.setComOpen(true);
    EXPECT_TRUE(com.comOpen());
    EXPECT_TRUE(com.comSendEnable());
    ASSERT_EQ(cable.openedPorts().size(), 1U);
    EXPECT_EQ(cable.openedPorts()[0], 3);
    EXPECT_EQ(cable.openedSettings()[0], "19200,N,8,1");
    EXPECT_FALSE(com.errCannotOpen());
    EXPECT_FALSE(com.totalError());
}

TEST_F(SerialService, SuccessfulOpeningIsNeverReportedAsFailure) {
    // Emptying the transmit buffer comes before the opening, on a closed port.
    com.setComOpen(true);
    EXPECT_GE(cable.clearOutCalls(), 1);
    EXPECT_FALSE(com.errCannotOpen());
    rig.Heartbeat();
    EXPECT_TRUE(rig.reporter.calls.empty());
    EXPECT_TRUE(com.comOpen());
}

TEST_F(SerialService, ReopeningAnOpenPortKeepsQueuedFramesAndResetsTheDriver) {
    com.setComOpen(true);
    const int commPortSets = cable.setCommPortCalls();
    const int settingsSets = cable.setSettingsCalls();
    const int clears = cable.clearOutCalls();
    rig.drv.setWorkMode(clsCmcKel3Drv::kModeIdentify);
    rig.drv.Send(HexTextToBytes("E0 3017 0000"));
    ASSERT_TRUE(rig.drv.Running());
    // A frame still in the port's own buffer must reach the line: the next operation on the
    // open port does not throw it away.
    cable.setOutBufferCount(100);
    com.setComPortNum(4);
    com.setComOpen(true);
    EXPECT_EQ(cable.setCommPortCalls(), commPortSets);
    EXPECT_EQ(cable.setSettingsCalls(), settingsSets);
    EXPECT_EQ(cable.clearOutCalls(), clears);
    EXPECT_EQ(cable.outBufferCount(), 100);
    EXPECT_FALSE(rig.drv.Running());
    EXPECT_EQ(cable.openCalls(), 1);
    EXPECT_FALSE(com.errCannotOpen());
    // Closing still drops what was left.
    com.setComOpen(false);
    EXPECT_EQ(cable.clearOutCalls(), clears + 1);
}

TEST_F(SerialService, FailedOpeningLeavesPortClosedAndTotalError) {
    cable.setOpenFailure("no such device");
    com.setComPortNum(4);
    com.setComOpen(true);
    EXPECT_FALSE(com.comOpen());
    EXPECT_TRUE(com.errCannotOpen());
    EXPECT_TRUE(com.totalError());
    EXPECT_EQ(com.openErrorText(), "no such device");
    rig.Heartbeat();
    ASSERT_EQ(rig.reporter.calls.size(), 0U);  // no sequence wired: nothing to hand over
}

TEST_F(SerialService, FailedEmptyingWhileClosingStillClosesWithoutOpenError) {
    com.setComOpen(true);
    cable.setClearOutFails(true);
    com.setComOpen(false);
    EXPECT_FALSE(com.comOpen());
    EXPECT_FALSE(com.errCannotOpen());
}

TEST_F(SerialService, ResetClosesAndClearsTheFlags) {
    com.setComPortNum(5);
    com.setComBaud(4800);
    com.setComOpen(true);
    com.setErrOverflow(true);
    com.setErrCannotOpen(true);
    com.Reset();
    EXPECT_FALSE(com.comOpen());
    EXPECT_EQ(com.comPortNum(), 1);
    EXPECT_EQ(com.comBaud(), 9600);
    EXPECT_FALSE(com.errOverflow());
    EXPECT_FALSE(com.errCannotOpen());
    EXPECT_FALSE(com.totalError());
}

TEST_F(SerialService, TotalErrorFollowsEachSource) {
    EXPECT_FALSE(com.totalError());
    rig.drv.setNowError(1);
    EXPECT_TRUE(com.totalError());
    rig.drv.setNowError(0);
    com.setErrOverflow(true);
    EXPECT_TRUE(com.totalError());
    com.setErrOverflow(false);
    com.setErrCannotOpen(true);
    EXPECT_TRUE(com.totalError());
}

TEST_F(SerialService, HeartbeatFeedsTheDriverThenRunsTheMainTask) {
    CountingTask mainTask;
    com.setMainTask(&mainTask);
    com.setComOpen(true);
    rig.drv.setWorkMode(clsCmcKel3Drv::kModeIdentify);
    rig.drv.Send(HexTextToBytes("E0 3017 0000"));
    cable.deliver(RadioFrame(IdentifyBody()));
    rig.timer.setEnabled(true);
    EXPECT_TRUE(rig.timer.fire());
    EXPECT_EQ(mainTask.runs, 1);
    EXPECT_FALSE(rig.drv.Running());
    EXPECT_EQ(rig.drv.ansInfo(), IdentifyBody());
    EXPECT_EQ(cable.inBufferCount(), 0);
}

TEST_F(SerialService, HeartbeatReportsADriverErrorOnceAndClosesThePort) {
    clsCmcRadio radio;
    clsCmcKel3Sequence seq(com, radio, rig.clock);
    com.setSequence(&seq);
    com.setComOpen(true);
    rig.drv.setWorkMode(clsCmcKel3Drv::kModeIdentify);
    cable.setEcho(false);
    rig.drv.Send(HexTextToBytes("E0 3017 0000"));
    rig.clock.advance(1000);
    rig.Heartbeat();
    ASSERT_EQ(rig.reporter.calls.size(), 1U);
    EXPECT_EQ(rig.reporter.calls[0].lastError, 1);
    EXPECT_TRUE(rig.reporter.calls[0].portOpen);
    EXPECT_FALSE(com.comOpen());
    rig.Heartbeat();
    EXPECT_EQ(rig.reporter.calls.size(), 1U);
}

TEST_F(SerialService, HeartbeatIsNotReenteredFromTheErrorMessage) {
    CountingTask mainTask;
    com.setMainTask(&mainTask);
    clsCmcRadio radio;
    clsCmcKel3Sequence seq(com, radio, rig.clock);
    com.setSequence(&seq);
    // A modal box runs a nested event loop in which timer and port events still arrive.
    rig.reporter.onCall = [&](clsCmcKel3Sequence&) {
        rig.timer.fireAlways();
        cable.deliver(Bytes{0x01}, MemoryCable::RaiseEvent::Yes);
    };
    com.setComOpen(true);
    com.setErrOverflow(true);
    rig.Heartbeat();
    EXPECT_EQ(rig.reporter.calls.size(), 1U);
    EXPECT_EQ(mainTask.runs, 1);
}

TEST_F(SerialService, ReceiveEventRunsTheHeartbeatAtOnce) {
    CountingTask mainTask;
    com.setMainTask(&mainTask);
    com.setComOpen(true);
    cable.raise(CommEvent::Receive);
    EXPECT_EQ(mainTask.runs, 0);  // nothing buffered: nothing to do
    cable.deliver(Bytes{0x01}, MemoryCable::RaiseEvent::Yes);
    EXPECT_EQ(mainTask.runs, 1);
    EXPECT_EQ(cable.inBufferCount(), 0);
}

TEST_F(SerialService, ReceiveOverflowClosesThePortAndIsAnError) {
    com.setComOpen(true);
    cable.raise(CommEvent::RxOver);
    EXPECT_TRUE(com.errOverflow());
    EXPECT_FALSE(com.comOpen());
    EXPECT_TRUE(com.totalError());
}

TEST_F(SerialService, LineErrorsDiscardThePartialFrameOnly) {
    for (CommEvent e : {CommEvent::Break, CommEvent::CtsTimeout, CommEvent::DsrTimeout,
                        CommEvent::Frame, CommEvent::Overrun, CommEvent::CdTimeout,
                        CommEvent::RxParity, CommEvent::TxFull, CommEvent::DcbError}) {
        com.setComOpen(true);
        rig.drv.setWorkMode(clsCmcKel3Drv::kModeAdjust);
        rig.drv.setWaitAnswer(true);
        rig.drv.Send(HexTextToBytes("E8 3017 0102 05 3346"));
        rig.Pump();
        cable.deliver(HexTextToBytes("FE FE EF EE E8 30 17"));
        rig.Pump();
        cable.raise(e);
        cable.deliver(HexTextToBytes("01 02 05 FD"));
        rig.Pump();
        EXPECT_TRUE(rig.drv.Running()) << static_cast<int>(e);
        EXPECT_TRUE(com.comOpen());
        EXPECT_FALSE(com.totalError());
    }
}

// A line that takes nothing fails the link at once with the no-echo error, also after a frame
// that awaits no answer; the heartbeat shows it and closes the port.
TEST_F(SerialService, AStalledTransmitIsTheNoEchoErrorAtOnce) {
    clsCmcRadio radio;
    clsCmcKel3Sequence sequence(com, radio, rig.clock);
    com.setSequence(&sequence);
    for (const bool waitAnswer : {true, false}) {
        rig.reporter.calls.clear();
        com.Reset();
        com.setComOpen(true);
        rig.drv.setLastError(clsCmcKel3Drv::kErrNone);
        rig.drv.setWorkMode(clsCmcKel3Drv::kModeAdjust);
        rig.drv.setWaitAnswer(waitAnswer);
        rig.drv.Send(HexTextToBytes("E8 3017 0102 05 3346"));
        cable.raise(CommEvent::TxStalled);
        EXPECT_FALSE(rig.drv.Running());
        EXPECT_EQ(rig.drv.lastError(), clsCmcKel3Drv::kErrNoEcho);
        rig.Heartbeat();
        ASSERT_EQ(rig.reporter.calls.size(), 1u) << waitAnswer;
        EXPECT_EQ(rig.reporter.calls[0].lastError, clsCmcKel3Drv::kErrNoEcho);
        EXPECT_FALSE(com.comOpen());
    }
    com.setSequence(nullptr);
}

// A frame counts as on the line for its bytes' time at the line speed, queued behind the
// frames before it; the cable's echo of every byte sent ends that at once, however fast the
// line really ran (a pseudo-terminal, a cable faster than its setting). Without an echo the
// time alone frees it.
TEST_F(SerialService, TheLineIsBusyUntilItsTimeOrTheEchoOfEverySentByte) {
    com.setComOpen(true);
    EXPECT_EQ(com.LineBusyMs(), 0);
    com.NoteSent(13);  // 130 bits at 9600 bit/s, rounded up
    EXPECT_EQ(com.LineBusyMs(), 14);
    com.NoteSent(13);
    EXPECT_EQ(com.LineBusyMs(), 28);
    const Bytes echo = HexTextToBytes("FE FE EE EF E8 30 17 01 02 03 30 30 FD");
    cable.deliver(echo);
    rig.Heartbeat();
    EXPECT_EQ(com.LineBusyMs(), 28) << "the second frame's echo is still owed";
    cable.deliver(echo);
    rig.Heartbeat();
    EXPECT_EQ(com.LineBusyMs(), 0);

    rig.clock.advance(5);
    com.NoteSent(13);
    EXPECT_EQ(com.LineBusyMs(), 14) << "owed afresh from what has come so far";
    rig.clock.advance(13);
    EXPECT_EQ(com.LineBusyMs(), 1);
    rig.clock.advance(1);
    EXPECT_EQ(com.LineBusyMs(), 0);
    cable.deliver(echo);
    rig.Heartbeat();
    com.NoteSent(13);
    EXPECT_EQ(com.LineBusyMs(), 14) << "an echo that came late pays nothing in advance";
}

TEST_F(SerialService, LineStateChangesDoNothing) {
    com.setComOpen(true);
    for (CommEvent e : {CommEvent::Send, CommEvent::Cts, CommEvent::Dsr, CommEvent::Cd,
                        CommEvent::Ring, CommEvent::Eof}) {
        cable.raise(e);
    }
    EXPECT_TRUE(com.comOpen());
    EXPECT_FALSE(com.totalError());
}

TEST_F(SerialService, AllOverClosesThePortThenSavesTheSettings) {
    bool portOpenWhenSaved = true;
    int saves = 0;
    com.setSettingsSaver([&] {
        ++saves;
        portOpenWhenSaved = com.comOpen();
    });
    com.setComOpen(true);
    com.AllOver();
    EXPECT_EQ(saves, 1);
    EXPECT_FALSE(portOpenWhenSaved);
    EXPECT_FALSE(com.comOpen());
}

TEST_F(SerialService, AllOverWithoutSaverStillCloses) {
    com.setComOpen(true);
    com.AllOver();
    EXPECT_FALSE(com.comOpen());
}

TEST(SerialServiceLifetime, PortAndTimerOutlivingTheServiceAreUnhooked) {
    FakeClock clock;
    MemoryCable cable;
    FakeTimer timer;
    { frmCom com(cable, timer, clock); }
    EXPECT_FALSE(timer.hasHandler());
    cable.raise(CommEvent::RxOver);  // must not reach the destroyed service
}

TEST_F(SerialService, UnloadClosesThePortAndStopsTheHeartbeat) {
    com.setComOpen(true);
    rig.timer.setEnabled(true);
    com.Form_Unload();
    EXPECT_FALSE(com.comOpen());
    EXPECT_FALSE(rig.timer.enabled());
    EXPECT_FALSE(rig.timer.fire());
}

}  // namespace
}  // namespace qs
