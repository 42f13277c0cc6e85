#include <gtest/gtest.h>

#include "console/console.h"
#include "console/recording_events.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_timer.h"
#include "fakes/memory_cable.h"
#include "link/clone_sequence.h"
#include "link/radio.h"
#include "link/serial_service.h"

namespace qs {
namespace {

// The default adjustment command on the wire, through the real clone sequence.
class ConsoleSendTest : public ::testing::Test {
protected:
    ConsoleSendTest() : com(cable, timer, clock), sequence(com, radio, clock) {
        radio.setRadioNameM("3017");
        radio.setRadionameS("0102");
        console.setMyListBox(&box);
        console.setMyEventClass(&events);
        console.setMyKel3Seq(&sequence);
        console.setMyEeprom(&radio.eepImage());
        console.AddItem();
    }

    Bytes frameFor(const std::vector<std::uint8_t>& data) const {
        Bytes frame{0xFE, 0xFE, 0xEE, 0xEF, 0xE8, 0x30, 0x17, 0x01, 0x02};
        frame.insert(frame.end(), data.begin(), data.end());
        frame.push_back(0xFD);
        return frame;
    }

    MemoryCable cable;
    FakeTimer timer;
    FakeClock clock;
    clsCmcRadio radio;
    frmCom com;
    clsCmcKel3Sequence sequence;
    FakeListBox box;
    RecordingEvents events;
    clsConsole console;
};

struct SendCase {
    const char* name;
    std::int16_t command;
    std::int16_t min;
    std::int16_t value;
    std::vector<std::uint8_t> data;
    std::uint8_t stored;
};

class ConsoleDefaultCommand : public ConsoleSendTest,
                              public ::testing::WithParamInterface<SendCase> {};

TEST_P(ConsoleDefaultCommand, SendsTheCommandAndAsciiHexOfTheLowByte) {
    const SendCase& c = GetParam();
    console.setMin(0, c.min);
    console.setE8Command(0, c.command);
    console.setEeAdr(0, 168);
    console.setWaitAfterE8(0, 500);
    console.setValue(0, c.value);
    console.SendE8(0);
    EXPECT_EQ(cable.allWritten(), frameFor(c.data));
    EXPECT_EQ(events.waits, std::vector<std::int32_t>{500});
    EXPECT_EQ(radio.eepImage().ReadByte(168), c.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ConsoleDefaultCommand,
    ::testing::Values(SendCase{"PowerHi128", 9, 0, 128, {0x09, 0x38, 0x30}, 128},
                      SendCase{"Cmd5Value63", 5, 0, 63, {0x05, 0x33, 0x46}, 63},
                      SendCase{
                          "NegativeValueSendsItsLowByte", 5, -128, -1, {0x05, 0x46, 0x46}, 255},
                      SendCase{"MinusFiftySix", 17, -128, -56, {0x11, 0x43, 0x38}, 200}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConsoleSendTest, ItemWithoutCommandSendsNothing) {
    console.setEeAdr(0, 170);
    console.setValue(0, 12);
    console.SendE8(0);
    EXPECT_TRUE(cable.allWritten().empty());
    EXPECT_TRUE(events.waits.empty());
    EXPECT_EQ(radio.eepImage().ReadByte(170), 12);
}

}  // namespace
}  // namespace qs
