// The program's link layer (serial port service, clone driver, clone sequence) joined to the
// virtual radio on the in-memory cable, with the fake clock: the two sides were written apart
// from each other, so agreement here means both read the protocol the same way.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builtin_image.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_timer.h"
#include "fakes/memory_cable.h"
#include "fakes/sim_cable.h"
#include "faults.h"
#include "link/clone_sequence.h"
#include "link/link_hooks.h"
#include "link/radio.h"
#include "link/serial_service.h"
#include "virtual_radio.h"

namespace qs {
namespace {

constexpr std::int32_t kHeartbeatMs = 50;

// Records the error state each time the clone error message would be shown.
class ErrorRecorder : public ICloneErrorReporter {
public:
    struct Shown {
        std::int16_t driverError;
        std::int16_t sequenceError;
    };
    explicit ErrorRecorder(frmCom& com) : com_(com) {}
    void MsgBoxCloneErr(clsCmcKel3Sequence& sequence) override {
        shown.push_back({com_.kel3D().lastError(), sequence.error()});
    }
    std::vector<Shown> shown;

private:
    frmCom& com_;
};

// The model's rule: sub codes whose first byte is 00 or 01 are supported.
class FirstByteSubCheck : public ISubNameCheck {
public:
    bool RigOpFunc_CheckSubNameLegal(const std::string& nameS) override {
        return nameS.substr(0, 2) <= "01";
    }
};

// The main window's part of a heartbeat: one sequence step, a second while it runs.
class SequenceTask : public IMainTask {
public:
    explicit SequenceTask(clsCmcKel3Sequence& seq) : seq_(seq) {}
    void task() override {
        seq_.task();
        if (seq_.OpRunning()) seq_.task();
    }

private:
    clsCmcKel3Sequence& seq_;
};

struct Bench {
    explicit Bench(qtsim::RadioConfig config) : radio(config) {
        identity.setRadioNameM("3017");
        identity.setRadionameS("0102");
        seq.setSubNameCheck(&subCheck);
        seq.setCloneErrorReporter(&errors);
        com.setCloneErrorReporter(&errors);
        com.setSequence(&seq);
        com.setMainTask(&mainTask);
    }

    void beat() {
        clock.advance(kHeartbeatMs);
        sim.pump();
        com.timSolid_Timer();
    }
    // Heartbeats until the operation has ended; false if it never does.
    bool runOperation(int maxBeats = 40000) {
        for (int i = 0; i < maxBeats; ++i) {
            if (!seq.OpRunning()) return true;
            beat();
        }
        return !seq.OpRunning();
    }
    bool programImageEqualsRadio() {
        clsCmcEeprom& eep = identity.eepImage();
        for (int a = 0; a < qtsim::MemoryImage::kSizeBytes; ++a) {
            if (eep.ReadByte(a) != radio.image().read(a)) {
                ADD_FAILURE() << "first difference at " << a;
                return false;
            }
        }
        return true;
    }
    bool programImageBlank() {
        for (int a = 0; a < qtsim::MemoryImage::kSizeBytes; ++a) {
            if (identity.eepImage().ReadByte(a) != 0) return false;
        }
        return true;
    }

    FakeClock clock{1000};
    MemoryCable cable;
    FakeTimer timer;
    frmCom com{cable, timer, clock};
    clsCmcRadio identity;
    clsCmcKel3Sequence seq{com, identity, clock};
    ErrorRecorder errors{com};
    FirstByteSubCheck subCheck;
    SequenceTask mainTask{seq};
    qtsim::VirtualRadio radio;
    SimCable sim{cable, clock, radio};
};

qtsim::RadioConfig configWith(int bitsPerSecond, int blockSize) {
    qtsim::RadioConfig config;
    config.bitsPerSecond = bitsPerSecond;
    config.blockSize = blockSize;
    config.curves.wobble = 0;
    return config;
}

struct ReadCase {
    int bitsPerSecond;
    int blockSize;
};

class LinkJoinedCloneRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(LinkJoinedCloneRead, ReadsTheWholeImageByteForByte) {
    Bench bench(configWith(GetParam().bitsPerSecond, GetParam().blockSize));
    bench.seq.easyCloneRead();
    ASSERT_TRUE(bench.runOperation());
    EXPECT_TRUE(bench.errors.shown.empty());
    EXPECT_EQ(bench.com.kel3D().lastError(), 0);
    EXPECT_EQ(bench.seq.error(), 0);
    EXPECT_EQ(bench.seq.ansNameM(), "3017");
    EXPECT_EQ(bench.seq.ansNameS(), "0102");
    EXPECT_EQ(bench.com.kel3D().EndAddress(), 32112);
    EXPECT_EQ(bench.com.kel3D().lastEeAdr(), 32111);
    EXPECT_TRUE(bench.programImageEqualsRadio());
}

INSTANTIATE_TEST_SUITE_P(SpeedsAndBlockSizes, LinkJoinedCloneRead,
                         ::testing::Values(ReadCase{9600, 16}, ReadCase{19200, 1},
                                           ReadCase{9600, 122}, ReadCase{2400, 7}));

TEST(LinkJoinedCloneReadFast, SpeedZeroInSmallPiecesWithReceiveEvents) {
    Bench bench(configWith(0, 16));
    bench.sim.setChunkBytes(32);
    bench.seq.easyCloneRead();
    for (int i = 0; i < 100 && bench.seq.OpRunning(); ++i) {
        bench.clock.advance(kHeartbeatMs);
        bench.sim.pump(MemoryCable::RaiseEvent::Yes);
        bench.com.timSolid_Timer();
    }
    EXPECT_FALSE(bench.seq.OpRunning());
    EXPECT_TRUE(bench.errors.shown.empty());
    EXPECT_TRUE(bench.programImageEqualsRadio());
}

TEST(LinkJoinedCloneReadTiming, APacedReadTakesItsLineTime) {
    Bench bench(configWith(9600, 16));
    const std::int32_t start = bench.clock.GetTickCount();
    bench.seq.easyCloneRead();
    ASSERT_TRUE(bench.runOperation());
    // About 92 400 bytes at 960 bytes a second, with the identification before them.
    const std::int32_t elapsedMs = bench.clock.GetTickCount() - start;
    EXPECT_GT(elapsedMs, 96000);
    EXPECT_LT(elapsedMs, 98000);
}

struct FaultCase {
    const char* fault;
    std::int16_t driverError;
    std::int16_t sequenceError;
    bool imageTouched;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.fault;
}

class LinkJoinedFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(LinkJoinedFault, EndsInTheExpectedErrorCodes) {
    qtsim::RadioConfig config = configWith(19200, 16);
    std::string why;
    ASSERT_TRUE(qtsim::applyFault(GetParam().fault, config.faults, &why)) << why;
    Bench bench(config);
    bench.seq.easyCloneRead();
    ASSERT_TRUE(bench.runOperation());
    ASSERT_FALSE(bench.errors.shown.empty());
    EXPECT_EQ(bench.errors.shown.front().driverError, GetParam().driverError);
    EXPECT_EQ(bench.errors.shown.front().sequenceError, GetParam().sequenceError);
    EXPECT_FALSE(bench.com.comOpen());
    EXPECT_NE(bench.programImageBlank(), GetParam().imageTouched);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, LinkJoinedFault,
    ::testing::Values(FaultCase{"no-echo", 1, 4, false}, FaultCase{"no-answer", 2, 4, false},
                      FaultCase{"silent-after=10", 2, 0, true},
                      FaultCase{"other-model", 0, 1, false}, FaultCase{"refused-sub", 0, 2, false},
                      FaultCase{"bad-format", 0, 3, false}, FaultCase{"bad-checksum=5", 3, 0, true},
                      FaultCase{"block-outside", 5, 0, true}, FaultCase{"end-count", 4, 0, true},
                      FaultCase{"drop-byte=5", 3, 0, true}, FaultCase{"hang-up=100", 2, 0, true}));

TEST(LinkJoinedFaults, NoiseBetweenFramesDoesNotDisturbTheRead) {
    qtsim::RadioConfig config = configWith(9600, 16);
    config.faults.noise = true;
    Bench bench(config);
    bench.seq.easyCloneRead();
    ASSERT_TRUE(bench.runOperation());
    EXPECT_TRUE(bench.errors.shown.empty());
    EXPECT_TRUE(bench.programImageEqualsRadio());
}

TEST(LinkJoinedFaults, AfterAHangUpTheReopenedLineIdentifiesAgain) {
    qtsim::RadioConfig config = configWith(19200, 16);
    config.faults.hangUpAfterBlocks = 100;
    Bench bench(config);
    bench.seq.easyCloneRead();
    ASSERT_TRUE(bench.runOperation());
    EXPECT_FALSE(bench.com.comOpen());  // the program let go of the line
    bench.seq.easyCloneRead();
    ASSERT_TRUE(bench.runOperation());
    EXPECT_EQ(bench.radio.stats().identifications, 2);
    ASSERT_GE(bench.errors.shown.size(), 2u);
    EXPECT_EQ(bench.errors.shown.back().driverError, 2);  // the echo came back: not error 1
}

struct ReadingFaultCase {
    const char* fault;
    const char* answerHex;
};

TEST(LinkJoinedReadings, AReadingArrivesAsTheLastAdjustmentAnswer) {
    Bench bench(configWith(9600, 16));
    bench.seq.easySendE8ReqAnswer("033035");  // LVIN
    ASSERT_TRUE(bench.runOperation());
    EXPECT_TRUE(bench.errors.shown.empty());
    // 3017 0102, command 03, then 106 (20 + 200 * 110 / 255) as ASCII "6A".
    EXPECT_EQ(bench.com.kel3D().varLastE8Answer(),
              (Bytes{0x30, 0x17, 0x01, 0x02, 0x03, 0x36, 0x41}));
}

TEST(LinkJoinedReadings, FaultyReadingsPassTheDriverButNotTheModelsTest) {
    const ReadingFaultCase cases[] = {
        {"reading-length", "3017010203303641"},
        {"reading-identity", "30180102033641"},
        {"reading-digits", "30170102034748"},
    };
    for (const ReadingFaultCase& c : cases) {
        qtsim::RadioConfig config = configWith(0, 16);
        std::string why;
        ASSERT_TRUE(qtsim::applyFault(c.fault, config.faults, &why));
        Bench bench(config);
        bench.seq.easySendE8ReqAnswer("033035");
        ASSERT_TRUE(bench.runOperation());
        EXPECT_TRUE(bench.errors.shown.empty()) << c.fault;
        std::string got;
        for (auto b : bench.com.kel3D().varLastE8Answer()) {
            got += qtsim::hexDigit(b >> 4);
            got += qtsim::hexDigit(b);
        }
        EXPECT_EQ(got, c.answerHex) << c.fault;
    }
}

TEST(LinkJoinedReadings, NoAnswerEndsInDriverErrorTwoAfterTheRetries) {
    qtsim::RadioConfig config = configWith(9600, 16);
    config.faults.noAnswer = true;
    Bench bench(config);
    bench.seq.easySendE8ReqAnswer("033035");
    ASSERT_TRUE(bench.runOperation());
    ASSERT_FALSE(bench.errors.shown.empty());
    EXPECT_EQ(bench.errors.shown.front().driverError, 2);
    EXPECT_EQ(bench.radio.stats().readings, 3);  // the first sending and two retries
}

TEST(LinkJoinedAdjust, SettingsReachTheRadioAndComeBackInTheNextRead) {
    Bench bench(configWith(9600, 16));
    bench.seq.easySendE8NoAnswer("093830");  // POW HI = 0x80
    ASSERT_TRUE(bench.runOperation());
    bench.seq.easySendE8NoAnswer("163345");  // RSSI S3 threshold = 0x3E
    ASSERT_TRUE(bench.runOperation());
    EXPECT_EQ(bench.radio.image().read(168), 0x80);
    EXPECT_EQ(bench.radio.image().read(170), 0x3E);
    bench.seq.easyCloneRead();
    ASSERT_TRUE(bench.runOperation());
    EXPECT_TRUE(bench.errors.shown.empty());
    EXPECT_EQ(bench.identity.eepImage().ReadByte(168), 0x80);
    EXPECT_EQ(bench.identity.eepImage().ReadByte(170), 0x3E);
}

}  // namespace
}  // namespace qs
