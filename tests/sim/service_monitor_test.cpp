// The virtual service monitor: its SCPI (common commands, error queue, generator, meters) and
// what it does to the virtual radio's readings and the radio to its meters.
#include <gtest/gtest.h>

#include <memory>

#include "builtin_image.h"
#include "service_monitor.h"
#include "sim_test_util.h"

namespace qtsim::testing {
namespace {

struct Exchange {
    const char* line;
    const char* answer;  // with its LF; "" for none
};

void expectExchanges(ServiceMonitor& monitor, std::initializer_list<Exchange> exchanges) {
    for (const Exchange& e : exchanges)
        EXPECT_EQ(monitor.execute(e.line), e.answer) << e.line;
}

TEST(ServiceMonitor, CommonCommandsGeneratorAndErrorQueue) {
    VirtualRadio radio(instantConfig());
    ServiceMonitor monitor(radio);
    const std::string idn = monitor.identity() + "\n";
    EXPECT_EQ(monitor.execute("*IDN?"), idn);
    EXPECT_EQ(idn.rfind("qt71dr-sim,Virtual service monitor,0,", 0), 0u);
    expectExchanges(monitor, {
        {"*idn?;*OPC?", (monitor.identity() + ";1\n").c_str()},
        {"SYST:ERR?", "0,\"No error\"\n"},
        {":SOURce:FREQuency:CW 146.52 MHz", ""},
        {"freq?", "+1.465200000E+08\n"},
        {"POW -47.5 dBm", ""},
        {"SOUR:POW:LEV:IMM:AMPL?", "-4.750000000E+01\n"},
        {"OUTP ON", ""},
        {"OUTPUT:STATE?", "1\n"},
        {"UNIT:POW?", "W\n"},
        {"*RST", ""},
        {"FREQ?;POW?;OUTP?", "+1.000000000E+08;-6.000000000E+01;0\n"},
        {"*ESE 60;*ESE?", "60\n"},
        {"*STB?", "0\n"},
        {"*OPC;*ESR?", "1\n"},
        {"*TST?;*WAI", "0\n"},
        {"", ""},
    });
    // Each mistake queues its own entry, oldest first; the status follows.
    expectExchanges(monitor, {
        {"BOGUS", ""},                  // -113
        {"MEAS:POW", ""},               // a query without its '?': -113
        {"FREQ 146.52 parsecs", ""},    // -131
        {"FREQ lots", ""},              // -104
        {"FREQ", ""},                   // -109
        {"FREQ 5 GHz", ""},             // -222
        {"POW 20", ""},                 // -222
        {"OUTP MAYBE", ""},             // -224
        {"UNIT:POW VOLT", ""},          // -224
        {"*IDN? 3", ""},                // -108
        {"*STB?", "36\n"},              // error queue not empty (4), event summary (32)
        {"*ESR?", "48\n"},              // command and execution errors
        {"SYST:ERR?", "-113,\"Undefined header\"\n"},
        {"SYSTem:ERRor:NEXT?", "-113,\"Undefined header\"\n"},
        {"SYST:ERR?", "-131,\"Invalid suffix\"\n"},
        {"SYST:ERR?", "-104,\"Data type error\"\n"},
        {"SYST:ERR?", "-109,\"Missing parameter\"\n"},
        {"SYST:ERR?", "-222,\"Data out of range\"\n"},
        {"SYST:ERR?", "-222,\"Data out of range\"\n"},
        {"SYST:ERR?", "-224,\"Illegal parameter value\"\n"},
        {"SYST:ERR?", "-224,\"Illegal parameter value\"\n"},
        {"SYST:ERR?", "-108,\"Parameter not allowed\"\n"},
        {"SYST:ERR?", "0,\"No error\"\n"},
        {"FREQ?", "+1.000000000E+08\n"},  // the mistakes changed nothing
    });
    // More than ten entries: the last says the queue overflowed; *CLS empties it.
    for (int i = 0; i < 12; ++i)
        monitor.execute("BOGUS");
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(monitor.execute("SYST:ERR?"), "-113,\"Undefined header\"\n");
    EXPECT_EQ(monitor.execute("SYST:ERR?"), "-350,\"Queue overflow\"\n");
    monitor.execute("BOGUS;*CLS");
    EXPECT_EQ(monitor.execute("SYST:ERR?;*ESR?"), "0,\"No error\";0\n");
}

std::uint8_t readingOf(VirtualRadio& radio, std::uint8_t code) {
    const auto frames = radioFramesIn(answerTo(radio, adjustRequest(0x03, code)));
    if (frames.size() != 1 || frames[0].size() != 10) return 0;
    return static_cast<std::uint8_t>(*asciiHexByte(frames[0][8], frames[0][9]));
}

// The generator into the receiver: only RF on at the test channel's receive frequency reaches
// it, and the level sets the detector's peak and the receiver's quieting.
// A bench failing mid-procedure: the message that sets the generator to the fault's level, and
// every message after it, goes unanswered; other levels before it are answered as ever.
TEST(ServiceMonitor, MutedFromTheMessageThatSetsTheFaultsLevel) {
    RadioConfig config = instantConfig();
    config.faults.monitorMuteAtDbm = -111;
    VirtualRadio radio(config);
    ServiceMonitor monitor(radio);
    expectExchanges(monitor, {
        {"POW -47;SYST:ERR?", "0,\"No error\"\n"},
        {"POW -111;SYST:ERR?", ""},
        {"*IDN?", ""},
        {"POW -47;POW?", ""},
    });
}

TEST(ServiceMonitor, GeneratorDrivesDetectorAndLevelInput) {
    struct Row {
        const char* name;
        const char* setup;  // monitor commands
        int channel;        // slot selected on the radio
        int bpf1;           // BPF T1 setting (T2 stays on its plateau at 74)
        int sd;
        int lvin;           // with RX LVA 128: 20 + 200 * 128 / 255 = 120 at full quieting
    };
    const Row rows[] = {
        {"RF off", "FREQ 146520000;POW -40", 0, 64, 10, 20},
        {"at -60 dBm", "FREQ 146520000;POW -60;OUTP ON", 0, 64, 140, 120},
        {"off the plateau", "FREQ 146520000;POW -60;OUTP ON", 0, 74, 128, 120},
        {"at -100 dBm", "FREQ 146.52MHZ;POW -100;OUTP ON", 0, 64, 60, 120},
        {"at -30 dBm, full", "FREQ 146520000;POW -30;OUTP ON", 0, 64, 200, 120},
        {"weak, half quieting", "FREQ 146520000;POW -117.5;OUTP ON", 0, 64, 25, 70},
        {"below the threshold", "FREQ 146520000;POW -130;OUTP ON", 0, 64, 10, 20},
        {"7.5 kHz off, still in", "FREQ 146527500;POW -60;OUTP ON", 0, 64, 140, 120},
        {"next channel", "FREQ 146532500;POW -60;OUTP ON", 0, 64, 10, 20},
        {"channel 3 receives 146.94", "FREQ 146940000;POW -60;OUTP ON", 3, 64, 140, 120},
        {"channel 7 receive inhibited", "FREQ 146520000;POW -60;OUTP ON", 7, 64, 10, 20},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        VirtualRadio radio(instantConfig());
        ServiceMonitor monitor(radio);
        monitor.execute(row.setup);
        EXPECT_EQ(monitor.execute("SYST:ERR?"), "0,\"No error\"\n");
        roundTrip(radio, adjustRequest(0x00, static_cast<std::uint8_t>(row.channel + 1)));
        roundTrip(radio, adjustRequest(0x13, static_cast<std::uint8_t>(row.bpf1)));
        roundTrip(radio, adjustRequest(0x14, 74));
        roundTrip(radio, adjustRequest(0x06, 128));
        EXPECT_EQ(readingOf(radio, 4), row.sd);
        EXPECT_EQ(readingOf(radio, 5), row.lvin);
    }
    // After TX LVA the level input is the radio's own; without the monitor all is as before.
    VirtualRadio radio(instantConfig());
    auto monitor = std::make_unique<ServiceMonitor>(radio);
    roundTrip(radio, adjustRequest(0x07, 128));
    EXPECT_EQ(readingOf(radio, 5), 120);
    roundTrip(radio, adjustRequest(0x06, 128));
    EXPECT_EQ(readingOf(radio, 5), 20);
    monitor.reset();
    EXPECT_EQ(readingOf(radio, 5), 120);
    EXPECT_EQ(readingOf(radio, 4), radio.bench().detector(builtin::kBpfT1, builtin::kBpfT2));
}

// The meters on the transmitter follow the power item of the channel's power level, MOD and
// REF; a channel that cannot send gives no carrier.
TEST(ServiceMonitor, MetersFollowTheTransmitter) {
    struct Row {
        const char* name;
        int channel;
        std::uint8_t command;  // a setting sent first (0: none)
        std::uint8_t value;
        const char* line;
        const char* answer;
        const char* error;
    };
    const Row rows[] = {
        {"power, high", 0, 0, 0, "MEAS:POW?", "+4.921184160E+00\n", "0,\"No error\""},
        {"power, Hi raised", 0, 0x09, 255, "MEAS:POW?", "+8.000000000E+00\n", "0,\"No error\""},
        {"power, low 2", 1, 0, 0, "MEAS:POW?", "+1.771626298E+00\n", "0,\"No error\""},
        {"power, low 1", 3, 0x0B, 0, "MEAS:POW?", "+0.000000000E+00\n", "0,\"No error\""},
        {"power in dBm", 0, 0, 0, "UNIT:POW DBM;MEAS:POW?", "+3.692069617E+01\n",
         "0,\"No error\""},
        {"power, cannot send", 6, 0, 0, "MEAS:POW?", "+0.000000000E+00\n", "0,\"No error\""},
        {"deviation", 0, 0, 0, "MEAS:FM:DEV?", "+4.500000000E+03\n", "0,\"No error\""},
        {"deviation follows MOD", 0, 0x0D, 100, "MEAS:FM:DEV?", "+3.000000000E+03\n",
         "0,\"No error\""},
        {"frequency, REF 128", 0, 0, 0, "MEAS:FREQ?", "+1.465197802E+08\n", "0,\"No error\""},
        {"frequency, REF 143", 0, 0x05, 143, "MEAS:FREQ?", "+1.465200000E+08\n",
         "0,\"No error\""},
        {"frequency, split channel", 2, 0x05, 153, "MEAS:FREQ?", "+1.476001476E+08\n",
         "0,\"No error\""},
        {"frequency, no carrier", 6, 0, 0, "MEAS:FREQ?", "+9.910000000E+37\n",
         "-230,\"Data corrupt or stale;no carrier\""},
        {"deviation, no carrier", 6, 0, 0, "MEAS:FM:DEV?", "+9.910000000E+37\n",
         "-230,\"Data corrupt or stale;no carrier\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        VirtualRadio radio(instantConfig());
        ServiceMonitor monitor(radio);
        roundTrip(radio, adjustRequest(0x00, static_cast<std::uint8_t>(row.channel + 1)));
        if (row.command != 0) roundTrip(radio, adjustRequest(row.command, row.value));
        EXPECT_EQ(monitor.execute(row.line), row.answer);
        EXPECT_EQ(monitor.execute("SYST:ERR?"), std::string(row.error) + "\n");
        EXPECT_EQ(radio.stats().keyedMeasurements, 1);
    }
}

}  // namespace
}  // namespace qtsim::testing
