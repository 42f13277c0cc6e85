#include <gtest/gtest.h>

#include "line_pacer.h"
#include "sim_test_util.h"
#include "virtual_radio.h"

namespace qtsim {
namespace {

using namespace qtsim::testing;

TEST(LinePacer, ReleasesOneByteEveryTenBitTimes) {
    LinePacer line(9600);
    line.queue(Bytes(100, 0x55), 0);
    // At 9600 bit/s a byte takes 1041.7 us: by t ms, floor(t * 9.6 / 10) bytes have left.
    std::size_t total = 0;
    for (int t = 0; t <= 120; ++t) {
        total += line.release(t * 1000).size();
        EXPECT_EQ(total, std::min<std::size_t>(100, t * 9600 / 1000 / 10)) << t;
    }
    EXPECT_FALSE(line.pending());
}

// A byte leaves when its last bit has, to the microsecond, not at the next whole millisecond:
// an answer's last byte is not held back by the clock's granularity.
TEST(LinePacer, NextDueIsTheMicrosecondTheLastBitLeaves) {
    LinePacer line(9600);
    line.queue({1, 2}, 1000000);
    EXPECT_EQ(line.nextDueUs(), 1001042);  // 10 bits after 1 s = 1001041.7 us
    EXPECT_TRUE(line.release(1001041).empty());
    EXPECT_EQ(line.release(1001042), Bytes{1});
    EXPECT_EQ(line.nextDueUs(), 1002084);  // 20 bits: 1002083.3 us
}

TEST(LinePacer, AnIdleLineStartsAtTheTimeOfQueueing) {
    LinePacer line(1200);
    line.queue({1}, 0);
    EXPECT_EQ(line.release(500000), Bytes{1});
    line.queue({2}, 500000);
    EXPECT_TRUE(line.release(508333).empty());  // 10 bits at 1200 bit/s = 8333.3 us
    EXPECT_EQ(line.release(508334), Bytes{2});
}

TEST(LinePacer, BytesQueuedWhileBusyWaitTheirTurn) {
    LinePacer line(9600);
    line.queue(Bytes(96, 1), 0);  // busy until 100 ms
    line.queue({2}, 10000);
    const Bytes by100 = line.release(100000);
    EXPECT_EQ(by100.size(), 96u);
    EXPECT_TRUE(line.release(101041).empty());  // 970 bits = 101041.7 us
    EXPECT_EQ(line.release(101042), Bytes{2});
}

TEST(LinePacer, SpeedZeroReleasesAtOnceAndClearForgets) {
    LinePacer fast(0);
    fast.queue(Bytes(5000, 7), 0);
    EXPECT_EQ(fast.release(0).size(), 5000u);
    LinePacer slow(9600);
    slow.queue(Bytes(10, 7), 0);
    slow.clear();
    EXPECT_FALSE(slow.pending());
    EXPECT_TRUE(slow.release(1000000).empty());
}

TEST(VirtualRadioPacing, EchoThenAnswerAtLineSpeed) {
    RadioConfig config;
    config.curves.wobble = 0;
    VirtualRadio radio(config);  // 9600 bit/s
    const Bytes request = identifyRequest();
    radio.fromProgram(request, 0);
    EXPECT_TRUE(radio.toProgram(0).empty());
    EXPECT_EQ(radio.toProgram(10), Bytes(request.begin(), request.begin() + 9));
    // Echo (10 bytes) and answer (72 bytes): 820 bits, 85.4 ms.
    const Bytes rest = radio.toProgram(85);
    EXPECT_EQ(rest.size(), 81u - 9u);
    EXPECT_TRUE(radio.outputPending());
    EXPECT_EQ(radio.nextOutputMs(), 86);
    EXPECT_EQ(radio.toProgram(86).size(), 1u);
    EXPECT_FALSE(radio.outputPending());
}

TEST(VirtualRadioPacing, AWholeCloneReadTakesItsLineTime) {
    RadioConfig config;
    config.bitsPerSecond = 19200;
    VirtualRadio radio(config);
    radio.fromProgram(cloneReadRequest(), 0);
    // 10 echo bytes, 2007 blocks of 46 bytes, an end frame of 17 bytes.
    const std::int64_t bytes = 10 + 2007 * 46 + 17;
    const std::int64_t lastMs = (bytes * 10 * 1000 + 19199) / 19200;
    EXPECT_EQ(radio.toProgram(lastMs - 1).size(), static_cast<std::size_t>(bytes - 1));
    EXPECT_EQ(radio.toProgram(lastMs).size(), 1u);
}

TEST(VirtualRadioPacing, ClosingTheLineLosesWhatWasOnItsWay) {
    RadioConfig config;
    VirtualRadio radio(config);
    radio.fromProgram(cloneReadRequest(), 0);
    EXPECT_FALSE(radio.toProgram(100).empty());
    radio.lineClosed();
    EXPECT_FALSE(radio.outputPending());
    EXPECT_TRUE(radio.toProgram(100000).empty());
}

TEST(VirtualRadioPacing, ClosingTheLineForgetsAHalfReceivedRequest) {
    VirtualRadio radio(instantConfig());
    const Bytes request = identifyRequest();
    radio.fromProgram(Bytes(request.begin(), request.begin() + 5), 0);
    radio.lineClosed();
    radio.toProgram(0);
    radio.fromProgram(Bytes(request.begin() + 5, request.end()), 0);
    EXPECT_EQ(radio.stats().identifications, 0);
}

}  // namespace
}  // namespace qtsim
