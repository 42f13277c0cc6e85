// Every fault the virtual radio can show, met by the whole program: each ends in its exact
// message with the port closed, the model idle and the memory image untouched beyond what
// the read had stored; a healthy radio then connects without restarting the program.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "faults.h"
#include "faults/program_on_sim.h"
#include "link/eeprom.h"
#include "model/rig_k52t_op.h"

namespace qs {
namespace {

const std::string kCaption = "QS-71DR ADJ Rev.1.0";
const std::string kListA =
    "\r\n\r\nCheck the following:\r\n- The COM port settings.\r\n- Cloning cable connections."
    "\r\n- Transceiver power is ON.";
const std::string kListB =
    "\r\n\r\nCheck the following:\r\n- Cloning cable connections.\r\n- Transceiver power is ON.";
const std::string kListC =
    "\r\n\r\nCheck the following:\r\n- Appropriate cloning software for the transceiver is "
    "being used.\r\n- The revision number of the transceiver.";

constexpr int kBlockBytes = 16;
constexpr int kImageBytes = clsCmcEeprom::kImageSizeBytes;
// Enough heartbeats for the longest fault: an answer time-out after an echo time-out.
constexpr int kMaxBeatsToMessage = 200;

// How far a faulty read got before it stopped.
enum class ReadReach { Nothing, Blocks, Whole };

struct FaultCase {
    const char* name;
    void (*apply)(qtsim::Faults&);
    std::string message;
    ReadReach reach;
    int blocksStored;  // with ReadReach::Blocks
};

// Test names and failure messages show the fault's name, not its bytes.
void PrintTo(const FaultCase& fault, std::ostream* os) {
    *os << fault.name;
}

std::vector<std::uint8_t> ImageOf(const clsCmcEeprom& eep) {
    std::vector<std::uint8_t> bytes(kImageBytes);
    for (int a = 0; a < kImageBytes; ++a)
        bytes[static_cast<std::size_t>(a)] = eep.ReadByte(a);
    return bytes;
}

// First address at which the two images differ in [from, to), or -1.
int FirstDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b,
                    int from, int to) {
    for (int i = from; i < to; ++i)
        if (a[static_cast<std::size_t>(i)] != b[static_cast<std::size_t>(i)]) return i;
    return -1;
}

const std::vector<FaultCase>& Cases() {
    static const std::vector<FaultCase> cases = {
        {"NoEcho", [](qtsim::Faults& f) { f.noEcho = true; }, "Cannot access COM port" + kListA,
         ReadReach::Nothing, 0},
        {"NoAnswer", [](qtsim::Faults& f) { f.noAnswer = true; },
         "No answer from transceiver." + kListA, ReadReach::Nothing, 0},
        {"SilenceMidRead", [](qtsim::Faults& f) { f.silentAfterBlocks = 100; },
         "No answer from transceiver." + kListA, ReadReach::Blocks, 100},
        {"BadChecksum", [](qtsim::Faults& f) { f.badChecksumBlock = 80; }, "Illegal data." + kListA,
         ReadReach::Blocks, 79},
        {"BlockOutsideImage", [](qtsim::Faults& f) { f.blockOutside = true; },
         "Data overflow." + kListA, ReadReach::Whole, 0},
        {"CountOff", [](qtsim::Faults& f) { f.endCountOff = true; }, "Data counter error." + kListA,
         ReadReach::Whole, 0},
        {"OtherModel", [](qtsim::Faults& f) { f.otherModel = true; }, "Cannot Clone." + kListA,
         ReadReach::Nothing, 0},
        {"RefusedSubCode", [](qtsim::Faults& f) { f.refusedSubCode = true; },
         "Version number does not match\r\nfor this transceiver.", ReadReach::Nothing, 0},
        {"BadFormatByte", [](qtsim::Faults& f) { f.formatByte = qtsim::kDefaultBadFormatByte; },
         "Connected transceiver is not compatible model." + kListC, ReadReach::Nothing, 0},
        {"DroppedByte", [](qtsim::Faults& f) { f.dropByteBlock = 90; }, "Illegal data." + kListA,
         ReadReach::Blocks, 89},
        {"ReadingLength", [](qtsim::Faults& f) { f.readingLength = true; },
         "Communication failed." + kListB, ReadReach::Whole, 0},
        {"ReadingIdentity", [](qtsim::Faults& f) { f.readingIdentity = true; },
         "Communication failed." + kListB, ReadReach::Whole, 0},
        {"ReadingDigits", [](qtsim::Faults& f) { f.readingDigits = true; },
         "Communication failed." + kListB, ReadReach::Whole, 0},
        {"HangUpMidRead", [](qtsim::Faults& f) { f.hangUpAfterBlocks = 120; },
         "No answer from transceiver." + kListA, ReadReach::Blocks, 120},
    };
    return cases;
}

class RadioFaultRun : public ::testing::TestWithParam<FaultCase> {};

TEST_P(RadioFaultRun, EndsInItsMessageThenAHealthyRadioConnects) {
    const FaultCase& fault = GetParam();
    qtsim::Faults faults;
    fault.apply(faults);
    ProgramOnSim run(UnpacedRadio(faults));
    const auto before = ImageOf(run.app().radio().eepImage());
    // A copy: the faulty radio is replaced before the last comparison.
    const std::vector<std::uint8_t> radioImage = run.radio().image().bytes();

    EXPECT_FALSE(run.ConnectAndWait(kMaxBeatsToMessage));
    ASSERT_EQ(run.box().shown.size(), 1u) << "a fault gives exactly one message";
    EXPECT_EQ(run.box().shown[0].caption, kCaption);
    EXPECT_EQ(run.box().shown[0].text, fault.message);

    // A few more heartbeats change nothing: no second message, nothing reopened.
    run.Run(3000);
    EXPECT_EQ(run.box().shown.size(), 1u);
    EXPECT_FALSE(run.cable().portOpen());
    EXPECT_TRUE(run.Idle());
    EXPECT_FALSE(run.EditEnabled());
    EXPECT_EQ(run.ui().lboConsole.ListCount(), 17);

    const auto after = ImageOf(run.app().radio().eepImage());
    switch (fault.reach) {
        case ReadReach::Nothing:
            EXPECT_EQ(FirstDifference(after, before, 0, kImageBytes), -1);
            break;
        case ReadReach::Blocks: {
            const int stored = fault.blocksStored * kBlockBytes;
            EXPECT_EQ(FirstDifference(after, radioImage, 0, stored), -1);
            EXPECT_EQ(FirstDifference(after, before, stored, kImageBytes), -1)
                << "bytes past the last good block must not change";
            break;
        }
        case ReadReach::Whole:
            EXPECT_EQ(FirstDifference(after, radioImage, 0, kImageBytes), -1);
            break;
    }

    run.SwapRadio(UnpacedRadio());
    EXPECT_TRUE(run.ConnectAndWait()) << run.LastMessage();
    EXPECT_EQ(run.box().shown.size(), 1u);
    EXPECT_TRUE(run.cable().portOpen());
    EXPECT_EQ(FirstDifference(ImageOf(run.app().radio().eepImage()), radioImage, 0, kImageBytes),
              -1);
}

INSTANTIATE_TEST_SUITE_P(EveryFault, RadioFaultRun, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<FaultCase>& info) {
                             return std::string(info.param.name);
                         });

// Noise before every answer is not a fault the technician sees: frames are cut out of it.
TEST(RadioNoise, NoiseBeforeEveryAnswerStillConnectsAndReads) {
    qtsim::Faults faults;
    faults.noise = true;
    ProgramOnSim run(UnpacedRadio(faults));
    ASSERT_TRUE(run.ConnectAndWait()) << run.LastMessage();
    run.Run(2000);
    EXPECT_TRUE(run.box().shown.empty()) << run.LastMessage();
    EXPECT_EQ(FirstDifference(ImageOf(run.app().radio().eepImage()), run.radio().image().bytes(), 0,
                              kImageBytes),
              -1);
}

// The same faults at the real line speed: time-outs fall between paced bytes, not after an
// instant burst.
TEST(RadioFaultPaced, SilenceMidReadAtLineSpeedGivesNoAnswer) {
    qtsim::Faults faults;
    faults.silentAfterBlocks = 40;
    qtsim::RadioConfig config = UnpacedRadio(faults);
    config.bitsPerSecond = 9600;
    ProgramOnSim run(config);
    EXPECT_FALSE(run.ConnectAndWait(2000));
    EXPECT_EQ(run.LastMessage(), "No answer from transceiver." + kListA);
    EXPECT_FALSE(run.cable().portOpen());
    EXPECT_TRUE(run.Idle());
}

// The port cannot be opened at all (a cable unplugged from a USB adapter): its own message,
// and once the port is back the same program connects.
TEST(PortFault, PortThatCannotOpenThenComesBack) {
    ProgramOnSim run;
    run.cable().setOpenFailure("no such device");
    EXPECT_FALSE(run.ConnectAndWait(kMaxBeatsToMessage));
    EXPECT_EQ(run.LastMessage(), "Cannot access COM 1." + kListA);
    EXPECT_FALSE(run.cable().portOpen());
    EXPECT_TRUE(run.Idle());
    run.cable().clearOpenFailure();
    EXPECT_TRUE(run.ConnectAndWait()) << run.LastMessage();
    EXPECT_EQ(run.box().shown.size(), 1u);
}

// A receive overflow reported by the port while reading.
TEST(PortFault, ReceiveOverflowMidReadClosesThePort) {
    qtsim::RadioConfig config = UnpacedRadio();
    config.bitsPerSecond = 9600;
    ProgramOnSim run(config);
    run.app().main().OnCommandClick(ProgramOnSim::kConnectButton);
    run.Run(2000);
    ASSERT_TRUE(run.app().sequence().OpRunning());
    run.cable().raise(CommEvent::RxOver);
    EXPECT_TRUE(run.WaitForMessage(5));
    EXPECT_EQ(run.LastMessage(), "COM buffer overflow." + kListA);
    run.Run(500);
    EXPECT_FALSE(run.cable().portOpen());
    EXPECT_TRUE(run.Idle());
    run.SwapRadio(UnpacedRadio());
    EXPECT_TRUE(run.ConnectAndWait()) << run.LastMessage();
}

}  // namespace
}  // namespace qs
