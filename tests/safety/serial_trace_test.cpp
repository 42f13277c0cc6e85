// The serial trace: frames in both directions, cut from received bytes however they arrive,
// and a whole connection's trace against what the virtual radio itself logged.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "port/frame_text.h"
#include "port/serial_trace.h"
#include "safety_rig.h"

namespace qs::safety_test {
namespace {

using ::testing::ElementsAre;

const Bytes kIdentifyRequest{0xFE, 0xFE, 0xEE, 0xEF, 0xE0, 0x30, 0x17, 0x00, 0x00, 0xFD};

struct TraceBench {
    TraceBench() : port(cable, clock, lines) { cable.setEcho(false); }
    FakeClock clock{1000};
    MemoryCable cable;
    MemoryLines lines;
    TracingSerialPort port;
};

TEST(SerialTraceTest, SentFrameIsWrittenWithTimeDirectionBytesAndMeaning) {
    TraceBench b;
    b.port.setPortOpen(true);
    b.clock.advance(120);
    EXPECT_TRUE(b.port.output(kIdentifyRequest));
    EXPECT_THAT(b.lines.lines,
                ElementsAre("[       0 ms] -- | port 1 opened",
                            "[     120 ms] TX FE FE EE EF E0 30 17 00 00 FD | E0 identification "
                            "request, model 3017"));
    EXPECT_EQ(b.cable.writes().back(), kIdentifyRequest);
}

TEST(SerialTraceTest, ReceivedBytesAreCutIntoFramesAcrossReadsWithEchoAndNoiseMarked) {
    TraceBench b;
    b.port.setPortOpen(true);
    b.cable.deliver({0x00, 0x11, 0xFE, 0xFE, 0xEE, 0xEF, 0xE0});
    EXPECT_EQ(b.port.input().size(), 7u);
    b.clock.advance(5);
    b.cable.deliver({0x30, 0x17, 0x00, 0x00, 0xFD, 0xFE, 0xFE, 0xEF, 0xEE, 0xE8, 0x30, 0x17, 0x01,
                     0x02, 0x03, 0x38, 0x30, 0xFD});
    const Bytes got = b.port.input();
    // Everything still reaches the program unchanged.
    EXPECT_EQ(got.size(), 18u);
    EXPECT_THAT(b.lines.lines,
                ElementsAre("[       0 ms] -- | port 1 opened", "[       0 ms] RX noise 00 11",
                            "[       5 ms] RX FE FE EE EF E0 30 17 00 00 FD | echo: E0 "
                            "identification request, model 3017",
                            "[       5 ms] RX FE FE EF EE E8 30 17 01 02 03 38 30 FD | E8 answer, "
                            "command 03, value 128"));
}

TEST(SerialTraceTest, FrameOpenAtCloseOrRestartedIsWrittenAsCutOff) {
    TraceBench b;
    b.port.setPortOpen(true);
    b.cable.deliver({0xFE, 0xFE, 0xEF, 0xEE, 0xE4, 0x30, 0xFE, 0xFE, 0xEF, 0xEE, 0xE1});
    b.port.input();
    b.port.setPortOpen(false);
    EXPECT_THAT(b.lines.lines, ElementsAre("[       0 ms] -- | port 1 opened",
                                           "[       0 ms] RX cut off FE FE EF EE E4 30",
                                           "[       0 ms] RX cut off FE FE EF EE E1",
                                           "[       0 ms] -- | port closed"));
}

TEST(SerialTraceTest, FailedOpeningIsNotedWithThePlatformsReason) {
    TraceBench b;
    b.cable.setOpenFailure("No such device");
    std::string error;
    EXPECT_FALSE(b.port.setPortOpen(true, &error));
    EXPECT_EQ(error, "No such device");
    EXPECT_THAT(b.lines.lines,
                ElementsAre("[       0 ms] -- | port 1 cannot be opened: No such device"));
}

TEST(SerialTraceTest, EndlessBytesWithoutEndMarkAreWrittenOutInBoundedPieces) {
    TraceBench b;
    b.port.setPortOpen(true);
    b.cable.deliver(Bytes(3000, 0x41));
    b.port.input();
    // Two full pieces written, the rest still held.
    ASSERT_EQ(b.lines.lines.size(), 3u);
    EXPECT_EQ(b.lines.lines[1].size(), std::string("[       0 ms] RX noise ").size() +
                                           TracingSerialPort::kMaxOpenFrameBytes * 3 - 1);
}

struct FrameCase {
    Bytes frame;
    const char* meaning;
};

class FrameTextTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameTextTest, DescribesTheFrame) {
    EXPECT_EQ(DescribeFrame(GetParam().frame), GetParam().meaning);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, FrameTextTest,
    ::testing::Values(
        FrameCase{kIdentifyRequest, "E0 identification request, model 3017"},
        FrameCase{{0xFE, 0xFE, 0xEF, 0xEE, 0xE1, 0x30, 0x17, 0x01, 0x02, 0x3E, 0xFD},
                  "E1 identification answer, model 3017, sub code 0102"},
        FrameCase{{0xFE, 0xFE, 0xEE, 0xEF, 0xE2, 0x30, 0x17, 0x01, 0x02, 0xFD},
                  "E2 clone read request, model 3017, sub code 0102"},
        // address 0010, 2 bytes AB CD, checksum 76
        FrameCase{{0xFE, 0xFE, 0xEF, 0xEE, 0xE4, '0', '0', '1', '0', '0', '2', 'A', 'B', 'C', 'D',
                   '7', '6', 0xFD},
                  "E4 data block, address 0010, 2 bytes"},
        FrameCase{{0xFE, 0xFE, 0xEF, 0xEE, 0xE4, '0', 'x', 0xFD}, "E4 data block (malformed)"},
        FrameCase{{0xFE, 0xFE, 0xEF, 0xEE, 0xE5, 0x56, 0x65, 0x78, 0x61, 0x20, 0x49, 0x6E, 0x63,
                   0x2E, 'D', '7', 0xFD},
                  "E5 end of clone read, block count D7 (mod 256)"},
        FrameCase{{0xFE, 0xFE, 0xEE, 0xEF, 0xE8, 0x30, 0x17, 0x01, 0x02, 0x09, 0x38, 0x32, 0xFD},
                  "E8 adjustment, command 09, value 130"},
        FrameCase{{0xFE, 0xFE, 0xEE, 0xEF, 0xE8, 0x30, 0xFD}, "E8 adjustment (malformed)"},
        FrameCase{{0xFE, 0xFE, 0xEE, 0xEF, 0x77, 0xFD}, "command 77"},
        FrameCase{{0xFE, 0xFE, 0x01, 0x02, 0xE0, 0xFD}, "frame with addresses 01 02"},
        FrameCase{{0xFE, 0xFE, 0xEE, 0xEF, 0xE0}, "not a frame"}, FrameCase{{}, "not a frame"}));

// The frames of a whole connection as the trace saw them, against the virtual radio's own log.
TEST(SerialTraceTest, TraceOfAConnectionMatchesWhatTheVirtualRadioLogged) {
    SafetyRig rig("", Trace::On);
    ASSERT_TRUE(rig.Connect());
    rig.Step(1, 1);
    rig.RunFor(10);

    std::vector<std::string> traced;
    for (const std::string& line : rig.traceLines.lines) {
        const std::string body = line.substr(line.find("] ") + 2);
        const std::size_t bar = body.find(" | ");
        const std::string bytes = body.substr(3, bar - 3);
        if (body.rfind("TX ", 0) == 0) traced.push_back("program -> radio: " + bytes);
        if (body.rfind("RX ", 0) == 0 && body.find("| echo: ") == std::string::npos)
            traced.push_back("radio -> program: " + bytes);
    }
    std::vector<std::string> logged;
    for (const std::string& line : rig.radioLog) {
        if (line.rfind("program -> radio: ", 0) == 0 || line.rfind("radio -> program: ", 0) == 0)
            logged.push_back(line);
    }
    ASSERT_GT(logged.size(), 2000u);  // identification, 2007 blocks, end, readings, settings
    EXPECT_EQ(traced, logged);
}

}  // namespace
}  // namespace qs::safety_test
