#include <gtest/gtest.h>

#include <deque>

#include "link/clone_sequence.h"
#include "link/hex_text.h"
#include "link/link_rig.h"
#include "link/radio_frames.h"

namespace qs {
namespace {

using namespace qs::testing;

// The main window's part of a heartbeat: one sequence step, a second while it runs.
class SequenceMainTask : public IMainTask {
public:
    explicit SequenceMainTask(clsCmcKel3Sequence& seq) : seq_(seq) {}
    void task() override {
        seq_.task();
        if (seq_.OpRunning()) seq_.task();
    }

private:
    clsCmcKel3Sequence& seq_;
};

// Plays the radio on the cable: answers what it is sent, one queued frame per heartbeat.
class ScriptedRadio {
public:
    explicit ScriptedRadio(MemoryCable& cable) : cable_(cable) {
        cable.setPeer([this](const Bytes& frame) { OnFrame(frame); });
    }

    IdentifyAnswer identity;
    bool silent = false;
    std::vector<std::uint8_t> image = std::vector<std::uint8_t>(32112, 0);
    std::size_t blockBytes = 16;
    int endCountDelta = 0;
    Bytes adjustAnswerData = TextToBytes("7F");

    // Delivers the next few queued frames.
    void Pump(int frames = 4) {
        for (int i = 0; i < frames && !queue_.empty(); ++i) {
            cable_.deliver(queue_.front());
            queue_.pop_front();
        }
    }
    bool Idle() const { return queue_.empty(); }

private:
    void OnFrame(const Bytes& frame) {
        if (silent || frame.size() < 6) return;
        switch (frame[4]) {
            case 0xE0:
                queue_.push_back(RadioFrame(IdentifyBody(identity)));
                break;
            case 0xE2: {
                int blocks = 0;
                for (std::size_t a = 0; a < image.size(); a += blockBytes) {
                    const std::size_t n = std::min(blockBytes, image.size() - a);
                    const Bytes data(image.begin() + static_cast<std::ptrdiff_t>(a),
                                     image.begin() + static_cast<std::ptrdiff_t>(a + n));
                    queue_.push_back(
                        RadioFrame(DataBlockBody(static_cast<std::uint16_t>(a), data)));
                    ++blocks;
                }
                queue_.push_back(
                    RadioFrame(CloneEndBody(static_cast<std::uint8_t>(blocks + endCountDelta))));
                break;
            }
            case 0xE8:
                if (frame.size() > 10) {
                    queue_.push_back(RadioFrame(AdjustAnswerBody(frame[9], adjustAnswerData)));
                }
                break;
            default:
                break;
        }
    }

    MemoryCable& cable_;
    std::deque<Bytes> queue_;
};

class CloneSequence : public ::testing::Test {
protected:
    void SetUp() override {
        radio.setRadioNameM("3017");
        radio.setRadionameS("0102");
        seq.setSubNameCheck(&subCheck);
        seq.setCloneErrorReporter(&rig.reporter);
        rig.com.setSequence(&seq);
        rig.com.setMainTask(&mainTask);
    }

    // Heartbeats every 50 ms while the radio has something to say or the operation runs.
    void RunUntilIdle(int maxBeats = 100000) {
        for (int i = 0; i < maxBeats && (seq.OpRunning() || !script.Idle()); ++i) {
            script.Pump();
            rig.clock.advance(50);
            rig.Heartbeat();
        }
    }

    LinkRig rig;
    clsCmcRadio radio;
    clsCmcKel3Sequence seq{rig.com, radio, rig.clock};
    ListSubNameCheck subCheck;
    SequenceMainTask mainTask{seq};
    ScriptedRadio script{rig.cable};
};

TEST_F(CloneSequence, CreatedIdleOnPortOneWithoutRelease) {
    EXPECT_FALSE(seq.OpRunning());
    EXPECT_EQ(seq.ComPortNo(), 1);
    EXPECT_EQ(seq.comHoldReload(), 0);
    EXPECT_EQ(seq.Operation(), 0);
    EXPECT_EQ(seq.error(), 0);
    EXPECT_FALSE(rig.com.comOpen());
}

TEST_F(CloneSequence, AdjustmentWithoutAnswerPutsTheFrameOnTheLine) {
    script.silent = true;
    EXPECT_EQ(seq.easySendE8NoAnswer("05 3346"), 0);
    EXPECT_TRUE(rig.com.comOpen());
    ASSERT_EQ(rig.cable.writes().size(), 1U);
    EXPECT_EQ(rig.Written(0), "FEFEEEEFE830170102053346FD");
    EXPECT_TRUE(seq.OpRunning());
    seq.task();
    EXPECT_FALSE(seq.OpRunning());
    EXPECT_EQ(seq.Operation(), 0);
    EXPECT_TRUE(seq.e8HexStrToSend().empty());
    EXPECT_TRUE(rig.reporter.calls.empty());
}

TEST_F(CloneSequence, ConsoleStyleCommandTextTravelsAsAsciiDigits) {
    script.silent = true;
    seq.easySendE8NoAnswer(ByteToHex2(9) + ByteToAsciiHexText(128));
    EXPECT_EQ(rig.Written(0), "FEFEEEEFE830170102093830FD");
}

TEST_F(CloneSequence, AdjustmentWithAnswerEndsWithTheAnswer) {
    EXPECT_EQ(seq.easySendE8ReqAnswer("21 3030"), 0);
    EXPECT_TRUE(seq.OpRunning());
    RunUntilIdle();
    EXPECT_FALSE(seq.OpRunning());
    EXPECT_TRUE(rig.reporter.calls.empty());
    EXPECT_EQ(BytesToHexText(rig.drv.varLastE8Answer()), "30170102213746");
    EXPECT_EQ(rig.cable.writes().size(), 1U);
}

TEST_F(CloneSequence, AdjustmentWithAnswerFromASilentRadio) {
    script.silent = true;
    seq.easySendE8ReqAnswer("21 3030");
    RunUntilIdle();
    EXPECT_EQ(rig.cable.writes().size(), 3U);
    ASSERT_EQ(rig.reporter.calls.size(), 1U);
    EXPECT_EQ(rig.reporter.calls[0].lastError, 2);
    EXPECT_FALSE(rig.reporter.calls[0].portOpen);
    EXPECT_FALSE(rig.com.comOpen());
    EXPECT_FALSE(seq.OpRunning());
}

TEST_F(CloneSequence, SettingOperationClearsTheAnswerWish) {
    seq.setE8AnsRequired(true);
    seq.setOperation(4);
    EXPECT_FALSE(seq.e8AnsRequired());
}

TEST_F(CloneSequence, WholeCloneReadLandsByteForByte) {
    for (std::size_t i = 0; i < script.image.size(); ++i) {
        script.image[i] = static_cast<std::uint8_t>((i * 7 + i / 256) & 0xFF);
    }
    radio.setRadionameS("0000");
    seq.easyCloneRead();
    EXPECT_EQ(rig.Written(0), "FEFEEEEFE030170000FD");
    RunUntilIdle();
    EXPECT_TRUE(rig.reporter.calls.empty());
    EXPECT_EQ(seq.error(), 0);
    ASSERT_EQ(rig.cable.writes().size(), 2U);
    EXPECT_EQ(rig.Written(1), "FEFEEEEFE230170102FD");  // the reported sub code is used
    EXPECT_EQ(radio.radionameS(), "0102");
    ASSERT_EQ(subCheck.asked.size(), 1U);
    EXPECT_EQ(subCheck.asked[0], "0102");
    EXPECT_EQ(seq.ansNameM(), "3017");
    EXPECT_EQ(seq.ansNameS(), "0102");
    EXPECT_EQ(rig.drv.EndAddress(), 32112);
    EXPECT_EQ(rig.drv.lastEeAdr(), 32111);
    clsCmcEeprom& eep = radio.eepImage();
    std::size_t mismatches = 0;
    for (std::int32_t a = 0; a < eep.eeSize(); ++a) {
        if (eep.ReadByte(a) != script.image[static_cast<std::size_t>(a)]) ++mismatches;
    }
    EXPECT_EQ(mismatches, 0U);
    EXPECT_TRUE(rig.com.comOpen());  // no automatic release chosen
}

TEST_F(CloneSequence, CloneReadWithWrongBlockCountShowsDriverError) {
    script.endCountDelta = 1;
    seq.easyCloneRead();
    RunUntilIdle();
    ASSERT_EQ(rig.reporter.calls.size(), 1U);
    EXPECT_EQ(rig.reporter.calls[0].lastError, 4);
    EXPECT_EQ(rig.reporter.calls[0].sequenceError, 0);
    EXPECT_FALSE(rig.com.comOpen());
    EXPECT_FALSE(seq.OpRunning());
}

struct IdentifyCase {
    const char* name;
    std::string modelHex;
    std::uint8_t formatByte;
    bool subLegal;
    std::int16_t expectedError;
};

class CloneSequenceIdentify : public CloneSequence,
                              public ::testing::WithParamInterface<IdentifyCase> {};

TEST_P(CloneSequenceIdentify, ChecksInOrderOfPrecedence) {
    const IdentifyCase& c = GetParam();
    script.identity.modelHex = c.modelHex;
    script.identity.subHex = "0103";
    script.identity.formatByte = c.formatByte;
    subCheck.legal = c.subLegal;
    radio.eepImage().WriteByte(0, 0x42);
    seq.easyCloneRead();
    RunUntilIdle();
    EXPECT_EQ(seq.error(), c.expectedError);
    EXPECT_FALSE(seq.OpRunning());
    // A legal sub code is kept even when another check fails.
    EXPECT_EQ(radio.radionameS(), c.subLegal ? "0103" : "0102");
    if (c.expectedError == 0) {
        EXPECT_TRUE(rig.reporter.calls.empty());
        return;
    }
    ASSERT_EQ(rig.reporter.calls.size(), 1U);
    EXPECT_EQ(rig.reporter.calls[0].sequenceError, c.expectedError);
    EXPECT_EQ(rig.reporter.calls[0].lastError, 0);
    EXPECT_FALSE(rig.reporter.calls[0].portOpen);
    EXPECT_EQ(rig.cable.writes().size(), 1U);  // no read request
    EXPECT_EQ(radio.eepImage().ReadByte(0), 0x42);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CloneSequenceIdentify,
    ::testing::Values(IdentifyCase{"AllPass", "3017", 0x01, true, 0},
                      IdentifyCase{"FormatZeroPasses", "3017", 0x00, true, 0},
                      IdentifyCase{"ModelDiffers", "3018", 0x01, true, 1},
                      IdentifyCase{"FormatAbove01", "3017", 0x02, true, 3},
                      IdentifyCase{"FormatBeatsModel", "3018", 0x10, true, 3},
                      IdentifyCase{"SubRefused", "3017", 0x01, false, 2},
                      IdentifyCase{"SubRefusedAndModelDiffers", "3018", 0x01, false, 2},
                      IdentifyCase{"SubRefusedBeatsAll", "3018", 0x02, false, 2}),
    [](const ::testing::TestParamInfo<IdentifyCase>& info) { return info.param.name; });

TEST_F(CloneSequence, DriverErrorDuringIdentificationIsSequenceErrorFour) {
    script.silent = true;
    seq.easyCloneRead();
    RunUntilIdle();
    ASSERT_EQ(rig.reporter.calls.size(), 1U);
    EXPECT_EQ(rig.reporter.calls[0].sequenceError, 4);
    EXPECT_EQ(rig.reporter.calls[0].lastError, 2);
    EXPECT_FALSE(rig.com.comOpen());
}

TEST_F(CloneSequence, UnwiredSubNameCheckRefusesTheRadio) {
    seq.setSubNameCheck(nullptr);
    seq.easyCloneRead();
    RunUntilIdle();
    EXPECT_EQ(seq.error(), 2);
}

TEST_F(CloneSequence, PortThatCannotOpenIsReported) {
    rig.cable.setOpenFailure("busy");
    seq.setComPortNo(4);
    seq.easySendE8NoAnswer("05 3346");
    EXPECT_TRUE(rig.cable.writes().empty());
    rig.Heartbeat();
    ASSERT_FALSE(rig.reporter.calls.empty());
    EXPECT_TRUE(rig.reporter.calls[0].errCannotOpen);
    EXPECT_EQ(rig.com.comPortNum(), 4);
}

TEST_F(CloneSequence, AutomaticReleaseAfterHoldTime) {
    seq.setComHoldReload(3000);
    seq.setComPortNo(3);
    seq.easySendE8NoAnswer("05 3346");
    rig.Heartbeat();
    ASSERT_FALSE(seq.OpRunning());
    EXPECT_TRUE(rig.com.comOpen());
    EXPECT_EQ(rig.com.comPortNum(), 3);
    // The countdown restarted at the last step of the operation.
    rig.clock.advance(2999);
    rig.Heartbeat();
    EXPECT_TRUE(rig.com.comOpen());
    rig.clock.advance(1);
    rig.Heartbeat();
    EXPECT_FALSE(rig.com.comOpen());
    EXPECT_EQ(rig.com.comPortNum(), 1);
    EXPECT_EQ(seq.ComPortNo(), 3);
    seq.easySendE8NoAnswer("05 3346");
    EXPECT_TRUE(rig.com.comOpen());
    EXPECT_EQ(rig.cable.openedPorts().back(), 3);
}

TEST_F(CloneSequence, NoReleaseWhenHoldTimeIsZero) {
    seq.easySendE8NoAnswer("05 3346");
    for (int i = 0; i < 400; ++i) {
        rig.clock.advance(50);
        rig.Heartbeat();
    }
    EXPECT_TRUE(rig.com.comOpen());
}

TEST_F(CloneSequence, EasyResetClosesAndSelectsThePort) {
    seq.easySendE8ReqAnswer("21 3030");
    seq.easyReset(2);
    EXPECT_FALSE(seq.OpRunning());
    EXPECT_FALSE(rig.com.comOpen());
    EXPECT_EQ(seq.ComPortNo(), 2);
    EXPECT_FALSE(rig.drv.Running());
}

TEST_F(CloneSequence, StartingAgainAbandonsTheRunningOperation) {
    script.silent = true;
    seq.easySendE8ReqAnswer("21 3030");
    seq.easySendE8NoAnswer("05 3346");
    // The driver was busy, so the new frame waits for its transaction to end.
    EXPECT_EQ(rig.cable.writes().size(), 1U);
    EXPECT_TRUE(seq.OpRunning());
    rig.Pump();
    rig.Deliver(RadioFrame(AdjustAnswerBody(0x21)));
    rig.Pump();
    ASSERT_FALSE(rig.drv.Running());
    seq.task();
    ASSERT_EQ(rig.cable.writes().size(), 2U);
    EXPECT_EQ(rig.Written(1), "FEFEEEEFE830170102053346FD");
    seq.task();
    EXPECT_FALSE(seq.OpRunning());
}

TEST_F(CloneSequence, UnknownOperationFinishes) {
    seq.setOperation(3);
    seq.start();
    EXPECT_FALSE(seq.OpRunning());
    EXPECT_TRUE(rig.cable.writes().empty());
}

}  // namespace
}  // namespace qs
