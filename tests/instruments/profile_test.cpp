// Profiles: the built-in generic one, a shop's file, and every mistake named by file and line.
#include <gtest/gtest.h>

#include "instruments/profile.h"

namespace qs::instruments {
namespace {

using Commands = std::vector<std::string>;

TEST(ProfileTest, GenericProfileSpeaksCommonScpi) {
    const Profile& p = GenericProfile();
    EXPECT_EQ(p.name, "generic");
    EXPECT_FALSE(p.answerTimeout.has_value());
    EXPECT_EQ(p.Commands(Operation::Identify), Commands{"*IDN?"});
    EXPECT_EQ(p.Commands(Operation::Reset), Commands{"*RST"});
    EXPECT_EQ(p.Commands(Operation::Clear), Commands{"*CLS"});
    EXPECT_EQ(p.Commands(Operation::ErrorQuery), Commands{"SYST:ERR?"});
    EXPECT_EQ(ExpandCommands(p, Operation::SetFrequency, 146520000), Commands{"FREQ 146520000"});
    EXPECT_EQ(ExpandCommands(p, Operation::SetLevel, -47.5), Commands{"POW -47.5"});
    EXPECT_EQ(p.Commands(Operation::RfOn), Commands{"OUTP ON"});
    EXPECT_EQ(p.Commands(Operation::RfOff), Commands{"OUTP OFF"});
    EXPECT_EQ(p.Commands(Operation::MeasurePower), (Commands{"UNIT:POW W", "MEAS:POW?"}));
    EXPECT_EQ(p.Commands(Operation::MeasureDeviation), Commands{"MEAS:FM:DEV?"});
    EXPECT_EQ(p.Commands(Operation::MeasureFrequency), Commands{"MEAS:FREQ?"});
}

TEST(ProfileTest, ShopFileWithItsOwnCommands) {
    const char text[] =
        "# Counter and generator of the second bench\r\n"
        "\n"
        "timeout_ms = 5000\n"
        "  set_frequency = SOUR:FREQ:CW {hz} HZ ; SOUR:FREQ:MODE CW\n"
        "set_level=SOUR:POW:LEV {dbm}\n"
        "rf_on = OUTP:STAT 1\n"
        "rf_off = OUTP:STAT 0\n"
        "measure_frequency = CONF:FREQ\n"
        "measure_frequency = READ?\n";
    const Result<Profile> parsed = ParseProfile(text, "/etc/bench/counter-2.profile");
    ASSERT_TRUE(parsed.ok()) << parsed.error().message;
    const Profile& p = parsed.value();
    EXPECT_EQ(p.name, "counter-2.profile");
    EXPECT_EQ(p.answerTimeout, std::chrono::milliseconds(5000));
    EXPECT_EQ(ExpandCommands(p, Operation::SetFrequency, 1e6),
              Commands{"SOUR:FREQ:CW 1000000 HZ ; SOUR:FREQ:MODE CW"});
    EXPECT_EQ(p.Commands(Operation::MeasureFrequency), (Commands{"CONF:FREQ", "READ?"}));
    EXPECT_EQ(p.Commands(Operation::Identify), Commands{"*IDN?"});  // the standard ones stay
    EXPECT_FALSE(p.Offers(Operation::MeasurePower));                 // not this instrument's
}

TEST(ProfileTest, MistakesNameFileAndLine) {
    struct Row {
        const char* text;
        const char* message;
    };
    const Row rows[] = {
        {"name = x\nset_freq = FREQ {hz}\n", "p.txt:2: unknown key 'set_freq'"},
        {"set_level POW {dbm}\n", "p.txt:1: expected KEY = COMMAND"},
        {"set_level =\n", "p.txt:1: 'set_level' has no value"},
        {"set_level = POW {db}\n", "p.txt:1: unknown placeholder {db}"},
        {"set_level = POW {dbm\n", "p.txt:1: a '{' without its '}'"},
        {"set_frequency = FREQ {dbm}\n", "p.txt:1: set_frequency takes no {dbm}"},
        {"rf_on = OUTP {hz}\n", "p.txt:1: rf_on takes no {hz}"},
        {"# x\nset_level = POW -10\n", "p.txt:2: set_level must carry the value as {dbm}"},
        {"rf_on = OUTP?\n", "p.txt:1: rf_on is a setting; 'OUTP?' is a query"},
        {"measure_power = MEAS:POW\n", "p.txt:1: measure_power must end with a query"},
        {"measure_power = MEAS:POW?\nmeasure_power = UNIT:POW W\n",
         "p.txt:1: measure_power must end with a query"},
        {"measure_power = A?\nmeasure_power = B?\n",
         "p.txt:1: measure_power has a query before its last command"},
        {"identify = *IDN\nrf_on = OUTP ON\n", "p.txt:1: identify must be a query"},
        {"rf_on = OUTP ON\nerror_query = A?\nerror_query = B?\n",
         "p.txt:2: error_query takes one query"},
        {"timeout_ms = 0\n", "p.txt:1: timeout_ms must be a whole number"},
        {"timeout_ms = 2s\n", "p.txt:1: timeout_ms must be a whole number"},
        {"name = a\nname = b\n", "p.txt:2: the name is given twice"},
        {"rf_on = OUTP\x01ON\n", "p.txt:1: the line holds control characters"},
        {"# nothing\nidentify = *IDN?\n", "p.txt: no operation of a generator or a meter"},
        {"", "p.txt: no operation of a generator or a meter"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const Result<Profile> parsed = ParseProfile(row.text, "p.txt");
        ASSERT_FALSE(parsed.ok());
        EXPECT_EQ(parsed.error().fault, Fault::BadProfile);
        EXPECT_EQ(parsed.error().message.rfind(row.message, 0), 0u) << parsed.error().message;
    }
    const Result<Profile> tooLong = ParseProfile("rf_on = " + std::string(2000, 'X'), "p.txt");
    ASSERT_FALSE(tooLong.ok());
    EXPECT_EQ(tooLong.error().message, "p.txt:1: the line is too long");
}

}  // namespace
}  // namespace qs::instruments
