#include <gtest/gtest.h>

#include "link/clone_driver.h"
#include "link/hex_text.h"
#include "link/link_rig.h"
#include "link/radio_frames.h"

namespace qs {
namespace {

using namespace qs::testing;

// The body with the byte at 1-based `position` replaced.
Bytes WithByte(Bytes b, std::size_t position, std::uint8_t value) {
    b[position - 1] = value;
    return b;
}

class CloneDriver : public ::testing::Test {
protected:
    void SetUp() override {
        rig.com.setComOpen(true);
        ASSERT_TRUE(rig.com.comOpen());
        drv.setMyEep(&eep);
    }

    // Sends an identification and lets the echo come back.
    void SendIdentify(std::int16_t retries = 0) {
        drv.setWorkMode(clsCmcKel3Drv::kModeIdentify);
        drv.setRetryCount(retries);
        ASSERT_EQ(drv.Send(HexTextToBytes("E0 3017 0000")), 0);
        rig.Pump();
    }

    // Starts a clone read past the identification, ready for data blocks.
    void StartCloneRead() {
        SendIdentify();
        rig.Deliver(RadioFrame(IdentifyBody()));
        rig.Pump();
        ASSERT_FALSE(drv.Running());
        drv.setWorkMode(clsCmcKel3Drv::kModeCloneRead);
        ASSERT_EQ(drv.Send(HexTextToBytes("E2 3017 0102")), 0);
        rig.Pump();
    }

    void SendAdjust(const std::string& hex, bool waitAnswer, std::int16_t retries = 0) {
        drv.setWorkMode(clsCmcKel3Drv::kModeAdjust);
        drv.setWaitAnswer(waitAnswer);
        drv.setRetryCount(retries);
        ASSERT_EQ(drv.Send(HexTextToBytes(hex)), 0);
    }

    LinkRig rig;
    clsCmcKel3Drv& drv = rig.drv;
    clsCmcEeprom eep;
};

TEST_F(CloneDriver, SendPutsTheExactFrameOnTheLine) {
    SendIdentify();
    ASSERT_EQ(rig.cable.writes().size(), 1U);
    EXPECT_EQ(rig.Written(0), "FEFEEEEFE030170000FD");
    EXPECT_TRUE(drv.Running());
    EXPECT_FALSE(drv.SendEnable());
}

TEST_F(CloneDriver, SecondSendWhileAwaitingAnswerIsRefused) {
    SendIdentify();
    EXPECT_EQ(drv.Send(HexTextToBytes("E0 3017 0000")), 1);
    EXPECT_EQ(rig.cable.writes().size(), 1U);
}

TEST_F(CloneDriver, SendEnableNeedsRoomInTheTransmitBuffer) {
    rig.cable.setOutBufferCount(1024 - 257);
    EXPECT_TRUE(drv.SendEnable());
    rig.cable.setOutBufferCount(1024 - 256);
    EXPECT_FALSE(drv.SendEnable());
    EXPECT_EQ(drv.Send(HexTextToBytes("E0 3017 0000")), 1);
    EXPECT_TRUE(rig.cable.writes().empty());
    EXPECT_FALSE(drv.Running());
}

TEST_F(CloneDriver, ClosedPortRefusesToSend) {
    rig.com.setComOpen(false);
    EXPECT_FALSE(drv.SendEnable());
    drv.setWorkMode(clsCmcKel3Drv::kModeIdentify);
    EXPECT_EQ(drv.Send(HexTextToBytes("E0 3017 0000")), 1);
    EXPECT_FALSE(drv.Running());
}

TEST_F(CloneDriver, AdjustmentWithoutAnswerEndsAsSoonAsItIsSent) {
    SendAdjust("E8 3017 0102 05 3346", false);
    EXPECT_EQ(rig.Written(0), "FEFEEEEFE830170102053346FD");
    EXPECT_FALSE(drv.Running());
    EXPECT_TRUE(drv.SendEnable());
    EXPECT_EQ(drv.retryCount(), 0);
    rig.clock.advance(5000);
    rig.Pump();
    EXPECT_EQ(drv.nowError(), 0);
}

TEST_F(CloneDriver, WorkModeSetsAnswerWaitAndClearsWhatTheLastReadLeft) {
    struct Row {
        std::int16_t mode;
        bool waitAnswer;
        bool waitEcho;
    };
    for (const Row& r :
         {Row{0, false, false}, Row{1, true, true}, Row{2, true, true}, Row{5, false, true}}) {
        // A read that stored a block and then ended on a miscounted end frame leaves a last
        // address, a last answer and the count-mismatch flag behind.
        drv.setLastError(0);
        rig.com.setComOpen(true);
        StartCloneRead();
        rig.Deliver(
            Cat(RadioFrame(DataBlockBody(0x0010, {0xAB, 0xCD})), RadioFrame(CloneEndBody(9))));
        rig.Pump();
        ASSERT_EQ(drv.nowError(), 4);
        ASSERT_EQ(drv.lastEeAdr(), 0x11);
        ASSERT_FALSE(drv.varLastE8Answer().empty());
        drv.Reset();

        drv.setWorkMode(r.mode);
        EXPECT_EQ(drv.waitAnswer(), r.waitAnswer) << r.mode;
        EXPECT_EQ(drv.waitEcho(), r.waitEcho) << r.mode;
        EXPECT_EQ(drv.lastEeAdr(), 0) << r.mode;
        EXPECT_TRUE(drv.varLastE8Answer().empty()) << r.mode;
        if (r.mode != clsCmcKel3Drv::kModeCloneRead) continue;
        // The flag only shows in a read: a bad end frame is now error 3, no longer 4.
        ASSERT_EQ(drv.Send(HexTextToBytes("E2 3017 0102")), 0);
        rig.Pump();
        rig.Deliver(RadioFrame(WithByte(CloneEndBody(0), 4, 0x57)));
        rig.Pump();
        EXPECT_EQ(drv.nowError(), 3);
        drv.Reset();
    }
}

// --- error 1: no echo ---

TEST_F(CloneDriver, MissingEchoIsErrorOneAfter1000ms) {
    rig.cable.setEcho(false);
    drv.setWorkMode(clsCmcKel3Drv::kModeIdentify);
    drv.setRetryCount(2);
    drv.Send(HexTextToBytes("E0 3017 0000"));
    rig.clock.advance(999);
    drv.task();
    EXPECT_EQ(drv.nowError(), 0);
    rig.clock.advance(1);
    drv.task();
    EXPECT_EQ(drv.nowError(), 1);
    EXPECT_EQ(drv.lastError(), 1);
    EXPECT_FALSE(drv.Running());
    // A lost echo is not retried.
    EXPECT_EQ(rig.cable.writes().size(), 1U);
}

// --- error 2: no answer, with retries ---

TEST_F(CloneDriver, NoAnswerWithTwoRetriesSendsThreeFramesThenErrorTwo) {
    const std::int32_t t0 = rig.clock.GetTickCount();
    SendIdentify(2);
    std::int32_t errorAt = 0;
    for (int ms = 0; ms <= 10000 && errorAt == 0; ms += 10) {
        rig.clock.advance(10);
        rig.Pump();
        if (drv.nowError() != 0) errorAt = rig.clock.GetTickCount() - t0;
    }
    EXPECT_EQ(drv.nowError(), 2);
    EXPECT_EQ(drv.lastError(), 2);
    ASSERT_EQ(rig.cable.writes().size(), 3U);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(rig.Written(i), "FEFEEEEFE030170000FD");
    // Echo arrives at the first heartbeat; each send waits 1200 ms for its answer.
    EXPECT_EQ(errorAt, 3 * 1200 + 20);
}

TEST_F(CloneDriver, AnswerTimeoutIsMeasuredFromTheEcho) {
    SendIdentify(0);
    rig.clock.advance(1199);
    drv.task();
    EXPECT_EQ(drv.nowError(), 0);
    EXPECT_TRUE(drv.Running());
    rig.clock.advance(1);
    drv.task();
    EXPECT_EQ(drv.nowError(), 2);
}

TEST_F(CloneDriver, RetryRefusedBySenderIsErrorTwo) {
    SendIdentify(2);
    rig.cable.setOutBufferCount(1000);
    rig.clock.advance(1200);
    drv.task();
    EXPECT_EQ(drv.nowError(), 2);
    EXPECT_EQ(rig.cable.writes().size(), 1U);
}

TEST_F(CloneDriver, RetryAnsweredEndsWell) {
    SendAdjust("E8 3017 0102 05 3346", true, 2);
    rig.Pump();
    rig.clock.advance(1200);
    rig.Pump();  // retry goes out, its echo comes back at the next read
    ASSERT_EQ(rig.cable.writes().size(), 2U);
    rig.Pump();
    rig.Deliver(RadioFrame(AdjustAnswerBody(0x05, HexTextToBytes("3132"))));
    rig.Pump();
    EXPECT_EQ(drv.nowError(), 0);
    EXPECT_FALSE(drv.Running());
    EXPECT_EQ(BytesToHexText(drv.varLastE8Answer()), "30170102053132");
}

// --- error 3: bad answers ---

TEST_F(CloneDriver, IdentificationAnswerIsStored) {
    SendIdentify();
    const Bytes body = IdentifyBody();
    rig.Deliver(RadioFrame(body));
    rig.Pump();
    EXPECT_FALSE(drv.Running());
    EXPECT_EQ(drv.nowError(), 0);
    EXPECT_EQ(drv.ansInfo(), body);
    EXPECT_EQ(drv.EndAddress(), 32112);
}

struct BadIdentifyCase {
    const char* name;
    Bytes body;
};

class CloneDriverBadIdentify : public CloneDriver,
                               public ::testing::WithParamInterface<BadIdentifyCase> {};

TEST_P(CloneDriverBadIdentify, IsErrorThreeAndKeepsTheOldRecord) {
    SendIdentify();
    rig.Deliver(RadioFrame(GetParam().body));
    rig.Pump();
    EXPECT_EQ(drv.nowError(), 3);
    EXPECT_EQ(drv.lastError(), 3);
    EXPECT_TRUE(drv.ansInfo().empty());
    EXPECT_EQ(drv.EndAddress(), 32112);
    EXPECT_FALSE(drv.Running());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, CloneDriverBadIdentify,
    ::testing::Values(BadIdentifyCase{"CountNotLengthMinusSeven", WithByte(IdentifyBody(), 8, 61)},
                      BadIdentifyCase{"CodesNotNumeric", IdentifyBody({.modelHex = "3A17"})},
                      BadIdentifyCase{"TooShort", IdentifyBody({.length = 58})},
                      BadIdentifyCase{"NoEndAddressField", IdentifyBody({.length = 68})},
                      BadIdentifyCase{"ShortestWithoutEndAddress", IdentifyBody({.length = 59})},
                      BadIdentifyCase{"EndAddressNotHex", IdentifyBody({.lastAddress = "7D6G"})},
                      BadIdentifyCase{"EndAddressTooLarge", IdentifyBody({.lastAddress = "7FF0"})},
                      BadIdentifyCase{"EndAddressAllOnes", IdentifyBody({.lastAddress = "FFFF"})},
                      BadIdentifyCase{"OnlyHeader", HexTextToBytes("EFEEE1 3017 0102")}),
    [](const ::testing::TestParamInfo<BadIdentifyCase>& info) { return info.param.name; });

struct EndAddressCase {
    const char* lastAddress;
    std::int16_t endAddress;
};

class CloneDriverEndAddress : public CloneDriver,
                              public ::testing::WithParamInterface<EndAddressCase> {};

TEST_P(CloneDriverEndAddress, RoundsUpToTheLineAndAddsOne) {
    SendIdentify();
    rig.Deliver(RadioFrame(IdentifyBody({.lastAddress = GetParam().lastAddress})));
    rig.Pump();
    EXPECT_EQ(drv.nowError(), 0);
    EXPECT_EQ(drv.EndAddress(), GetParam().endAddress);
}

INSTANTIATE_TEST_SUITE_P(Values, CloneDriverEndAddress,
                         ::testing::Values(EndAddressCase{"7D6F", 32112},
                                           EndAddressCase{"7D60", 32112},
                                           EndAddressCase{"7D5F", 32096},
                                           EndAddressCase{"7fef", 32752},
                                           EndAddressCase{"0000", 16}));

TEST_F(CloneDriver, IdentifyAnswerLongerThan69IsAccepted) {
    SendIdentify();
    rig.Deliver(RadioFrame(IdentifyBody({.length = 100})));
    rig.Pump();
    EXPECT_EQ(drv.nowError(), 0);
    EXPECT_EQ(drv.ansInfo().size(), 100U);
}

TEST_F(CloneDriver, ForeignFramesAreIgnoredAndTheWaitRunsOut) {
    SendIdentify();
    rig.Deliver(RadioFrame(HexTextToBytes("EFEE")));             // too short
    rig.Deliver(RadioFrame(WithByte(IdentifyBody(), 1, 0xEE)));  // other address
    rig.Deliver(RadioFrame(AdjustAnswerBody(0x05)));             // other command
    rig.Deliver(RadioFrame(CloneEndBody(0)));                    // other mode
    rig.Pump();
    EXPECT_EQ(drv.nowError(), 0);
    EXPECT_TRUE(drv.Running());
    rig.clock.advance(1200);
    rig.Pump();
    EXPECT_EQ(drv.nowError(), 2);
}

TEST_F(CloneDriver, AdjustAnswerForAnotherCommandIsErrorThree) {
    SendAdjust("E8 3017 0102 05 3346", true);
    rig.Pump();
    rig.Deliver(RadioFrame(AdjustAnswerBody(0x06)));
    rig.Pump();
    EXPECT_EQ(drv.nowError(), 3);
}

TEST_F(CloneDriver, AdjustAnswerWithLetterCodesIsErrorThree) {
    SendAdjust("E8 3017 0102 05 3346", true);
    rig.Pump();
    rig.Deliver(RadioFrame(AdjustAnswerBody(0x05, {}, "3017010B")));
    rig.Pump();
    EXPECT_EQ(drv.nowError(), 3);
}

TEST_F(CloneDriver, AdjustFrameWithoutCommandByteCannotBeAnswered) {
    SendAdjust("E8 3017 0102", true);
    rig.Pump();
    rig.Deliver(RadioFrame(AdjustAnswerBody(0x00)));
    rig.Pump();
    EXPECT_EQ(drv.nowError(), 3);
}

TEST_F(CloneDriver, EchoAndAnswerInOneReadEndTheTransaction) {
    rig.cable.setEcho(false);
    SendAdjust("E8 3017 0102 21 3030", true);
    rig.Deliver(Cat(rig.cable.writes()[0], RadioFrame(AdjustAnswerBody(0x21, TextToBytes("7F")))));
    rig.Pump();
    EXPECT_FALSE(drv.Running());
    EXPECT_EQ(BytesToHexText(drv.varLastE8Answer()), "30170102213746");
}

TEST_F(CloneDriver, AfterTheFinalAnswerTheRestOfTheReadIsDropped) {
    SendAdjust("E8 3017 0102 21 3030", true);
    rig.Pump();
    rig.Deliver(Cat(RadioFrame(AdjustAnswerBody(0x21, TextToBytes("01"))),
                    RadioFrame(AdjustAnswerBody(0x22, TextToBytes("02")))));
    rig.Pump();
    EXPECT_EQ(drv.nowError(), 0);
    EXPECT_EQ(BytesToHexText(drv.varLastE8Answer()), "30170102213031");
}

// --- clone read: blocks, errors 3, 4, 5 ---

TEST_F(CloneDriver, DataBlocksAreStoredAndCounted) {
    StartCloneRead();
    rig.Deliver(Cat(RadioFrame(DataBlockBody(0x0010, {0xAB, 0xCD})),
                    RadioFrame(DataBlockBody(0x0012, {0x01}))));
    rig.Pump();
    EXPECT_EQ(eep.ReadByte(0x10), 0xAB);
    EXPECT_EQ(eep.ReadByte(0x11), 0xCD);
    EXPECT_EQ(eep.ReadByte(0x12), 0x01);
    EXPECT_EQ(drv.lastEeAdr(), 0x12);
    EXPECT_TRUE(drv.Running());
    rig.Deliver(RadioFrame(CloneEndBody(2)));
    rig.Pump();
    EXPECT_FALSE(drv.Running());
    EXPECT_EQ(drv.nowError(), 0);
}

TEST_F(CloneDriver, EachBlockRestartsTheAnswerWait) {
    StartCloneRead();
    for (int i = 0; i < 5; ++i) {
        rig.clock.advance(1100);
        rig.Deliver(RadioFrame(DataBlockBody(static_cast<std::uint16_t>(i), {0x11})));
        rig.Pump();
        EXPECT_EQ(drv.nowError(), 0);
    }
    rig.clock.advance(1200);
    rig.Pump();
    EXPECT_EQ(drv.nowError(), 2);
}

TEST_F(CloneDriver, BlockChecksumOffByOneIsErrorThree) {
    StartCloneRead();
    rig.Deliver(RadioFrame(DataBlockBody(0x0010, {0xAB, 0xCD}, 1)));
    rig.Pump();
    EXPECT_EQ(drv.nowError(), 3);
    EXPECT_EQ(eep.ReadByte(0x10), 0);
    EXPECT_FALSE(drv.Running());
}

TEST_F(CloneDriver, MalformedBlocksAreErrorThree) {
    const Bytes good = DataBlockBody(0x0010, {0xAB, 0xCD});
    const std::vector<Bytes> bad = {
        Bytes(good.begin(), good.end() - 1),        // even length
        Bytes(good.begin(), good.begin() + 11),     // shorter than 13
        WithByte(good, 10, 'G'),                    // not a hex digit
        WithByte(WithByte(good, 9, '3'), 15, '5'),  // count 03 with 2 bytes
    };
    for (const Bytes& body : bad) {
        drv.setLastError(0);
        StartCloneRead();
        rig.Deliver(RadioFrame(body));
        rig.Pump();
        EXPECT_EQ(drv.nowError(), 3) << BytesToHexText(body);
        rig.com.setComOpen(true);
    }
}

TEST_F(CloneDriver, BlockOutsideTheImageIsErrorFive) {
    StartCloneRead();
    rig.Deliver(RadioFrame(DataBlockBody(0x7D70, Bytes(16, 0x5A))));
    rig.Pump();
    EXPECT_EQ(drv.nowError(), 5);
    EXPECT_EQ(drv.lastError(), 5);
}

TEST_F(CloneDriver, BlockRunningPastTheEndIsErrorFiveAndStoresNothing) {
    StartCloneRead();
    rig.Deliver(RadioFrame(DataBlockBody(0x7D68, Bytes(16, 0x5A))));
    rig.Pump();
    EXPECT_EQ(drv.nowError(), 5);
    EXPECT_EQ(eep.ReadByte(0x7D68), 0);
}

TEST_F(CloneDriver, NegativeBlockAddressIsErrorFive) {
    StartCloneRead();
    rig.Deliver(RadioFrame(DataBlockBody(0x8000, Bytes(4, 0x5A))));
    rig.Pump();
    EXPECT_EQ(drv.nowError(), 5);
}

TEST_F(CloneDriver, EndFrameWithWrongCountIsErrorFour) {
    StartCloneRead();
    rig.Deliver(RadioFrame(DataBlockBody(0, {1})));
    rig.Deliver(RadioFrame(CloneEndBody(2)));
    rig.Pump();
    EXPECT_EQ(drv.nowError(), 4);
}

TEST_F(CloneDriver, EndFrameWithWrongMakerIsErrorThree) {
    StartCloneRead();
    rig.Deliver(RadioFrame(WithByte(CloneEndBody(0), 4, 0x57)));
    rig.Pump();
    EXPECT_EQ(drv.nowError(), 3);
}

TEST_F(CloneDriver, CountMismatchOfAnEarlierReadDoesNotColourTheNext) {
    StartCloneRead();
    rig.Deliver(RadioFrame(CloneEndBody(9)));
    rig.Pump();
    ASSERT_EQ(drv.nowError(), 4);
    rig.com.setComOpen(true);
    StartCloneRead();
    rig.Deliver(RadioFrame(WithByte(CloneEndBody(0), 4, 0x57)));
    rig.Pump();
    EXPECT_EQ(drv.nowError(), 3);
}

TEST_F(CloneDriver, IdentifyAnswerDuringCloneReadIsIgnored) {
    StartCloneRead();
    rig.Deliver(RadioFrame(IdentifyBody({.modelHex = "9999"})));
    rig.Pump();
    EXPECT_EQ(drv.nowError(), 0);
    EXPECT_TRUE(drv.Running());
    EXPECT_EQ(BytesToHexText(Bytes(drv.ansInfo().begin() + 3, drv.ansInfo().begin() + 5)), "3017");
}

TEST_F(CloneDriver, ThreeHundredBlocksEndOnlyWithCount2C) {
    for (std::uint8_t count : {std::uint8_t{0x2D}, std::uint8_t{0x2C}}) {
        drv.setLastError(0);
        rig.com.setComOpen(true);
        StartCloneRead();
        for (std::uint16_t i = 0; i < 300; ++i) {
            rig.Deliver(
                RadioFrame(DataBlockBody(static_cast<std::uint16_t>(i * 16), Bytes(16, 0x77))));
            if (i % 10 == 9) rig.Pump();
        }
        rig.Deliver(RadioFrame(CloneEndBody(count)));
        rig.Pump();
        EXPECT_FALSE(drv.Running());
        EXPECT_EQ(drv.nowError(), count == 0x2C ? 0 : 4);
        EXPECT_EQ(drv.lastEeAdr(), 300 * 16 - 1);
    }
}

TEST_F(CloneDriver, ErrorStopsAnswersUntilReset) {
    StartCloneRead();
    drv.setNowError(3);
    rig.Deliver(RadioFrame(DataBlockBody(0, {9})));
    rig.Pump();
    EXPECT_EQ(eep.ReadByte(0), 0);
    drv.Reset();
    EXPECT_EQ(drv.nowError(), 0);
    EXPECT_EQ(drv.lastError(), 3);
}

TEST_F(CloneDriver, ResetKeepsLastErrorAndOnlyCallersClearIt) {
    drv.setNowError(2);
    EXPECT_EQ(drv.lastError(), 2);
    drv.setNowError(0);
    EXPECT_EQ(drv.lastError(), 2);
    drv.setLastError(0);
    EXPECT_EQ(drv.lastError(), 0);
}

}  // namespace
}  // namespace qs

namespace qs {
namespace {

// Random answers of every command, in every mode, must never crash the driver or write
// outside the image; whatever happens ends in a defined state.
TEST(CloneDriverRobustness, SurvivesRandomAnswers) {
    using namespace qs::testing;
    std::uint32_t seed = 777;
    auto next = [&seed] {
        seed = seed * 1664525U + 1013904223U;
        return static_cast<std::uint8_t>(seed >> 24);
    };
    const std::uint8_t commands[] = {0xE1, 0xE4, 0xE5, 0xE8, 0x00};
    const std::int16_t modes[] = {1, 2, 5};
    LinkRig rig;
    clsCmcEeprom eep;
    rig.drv.setMyEep(&eep);
    for (int round = 0; round < 3000; ++round) {
        rig.com.setComOpen(true);
        rig.drv.setWorkMode(modes[next() % 3]);
        rig.drv.setWaitAnswer(true);
        rig.drv.Send(HexTextToBytes("E8 3017 0102 05 3346"));
        rig.Pump();
        Bytes body{0xEF, 0xEE, commands[next() % 5]};
        const std::size_t len = next() % 80;
        for (std::size_t i = 0; i < len; ++i) {
            const std::uint8_t r = next();
            body.push_back(r % 3 == 0 ? static_cast<std::uint8_t>("0123456789ABCDEF"[r % 16]) : r);
        }
        rig.Deliver(RadioFrame(body));
        rig.Pump();
        rig.clock.advance(5000);
        rig.Pump();
        ASSERT_FALSE(rig.drv.Running());
        ASSERT_LE(rig.drv.lastError(), 5);
        ASSERT_GE(rig.drv.EndAddress(), 16);
    }
}

}  // namespace
}  // namespace qs
