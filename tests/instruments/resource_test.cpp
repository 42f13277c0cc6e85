// Instrument addresses as technicians write them: every accepted spelling and the one it
// stands for, and a clear reason for each refused one.
#include <gtest/gtest.h>

#include "instruments/resource.h"

namespace qs::instruments {
namespace {

using Kind = StreamEndpoint::Kind;

TEST(ResourceTest, AcceptedFormsAndTheirOneSpelling) {
    struct Row {
        const char* text;
        const char* canonical;
        Kind kind;
        const char* hostOrDevice;
        int portOrBaud;
    };
    const Row rows[] = {
        {"TCPIP::192.168.1.20::5025::SOCKET", "TCPIP::192.168.1.20::5025::SOCKET", Kind::Tcp,
         "192.168.1.20", 5025},
        {"TCPIP0::192.168.1.20::5025::SOCKET", "TCPIP::192.168.1.20::5025::SOCKET", Kind::Tcp,
         "192.168.1.20", 5025},
        {"tcpip1::Monitor.Lab::6000::socket", "TCPIP::monitor.lab::6000::SOCKET", Kind::Tcp,
         "monitor.lab", 6000},
        {"TCPIP::127.0.0.1::SOCKET", "TCPIP::127.0.0.1::5025::SOCKET", Kind::Tcp, "127.0.0.1",
         5025},
        {"  TCPIP::[fe80::1]::5025::SOCKET ", "TCPIP::[fe80::1]::5025::SOCKET", Kind::Tcp,
         "fe80::1", 5025},
        {"/dev/usbtmc0", "USB::/dev/usbtmc0", Kind::UsbTmc, "/dev/usbtmc0", 0},
        {"USB::/dev/usbtmc12", "USB::/dev/usbtmc12", Kind::UsbTmc, "/dev/usbtmc12", 0},
        {"usb0::/dev/bench-meter::INSTR", "USB::/dev/bench-meter", Kind::UsbTmc,
         "/dev/bench-meter", 0},
        {"ASRL/dev/ttyUSB1::9600", "ASRL/dev/ttyUSB1::9600", Kind::Serial, "/dev/ttyUSB1", 9600},
        {"ASRL/dev/ttyUSB1::115200::INSTR", "ASRL/dev/ttyUSB1::115200", Kind::Serial,
         "/dev/ttyUSB1", 115200},
        {"asrl/dev/ttyS0", "ASRL/dev/ttyS0::9600", Kind::Serial, "/dev/ttyS0", 9600},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const Result<Resource> parsed = ParseResource(row.text);
        ASSERT_TRUE(parsed.ok()) << parsed.error().message;
        const Resource& r = parsed.value();
        EXPECT_EQ(r.canonical, row.canonical);
        EXPECT_EQ(r.endpoint.kind, row.kind);
        if (row.kind == Kind::Tcp) {
            EXPECT_EQ(r.endpoint.host, row.hostOrDevice);
            EXPECT_EQ(r.endpoint.port, row.portOrBaud);
        } else {
            EXPECT_EQ(r.endpoint.device, row.hostOrDevice);
        }
        if (row.kind == Kind::Serial) {
            EXPECT_EQ(r.endpoint.baud, row.portOrBaud);
        }
    }
}

TEST(ResourceTest, RefusedFormsSayWhy) {
    struct Row {
        const char* text;
        const char* why;
    };
    const Row rows[] = {
        {"", "it is empty"},
        {"TCPIP::10.0.0.5::inst0::INSTR", "only raw SCPI sockets"},
        {"TCPIP::10.0.0.5", "only raw SCPI sockets"},
        {"TCPIP::10.0.0.5::5025", "ends in ::SOCKET"},
        {"TCPIP::10.0.0.5::0::SOCKET", "from 1 to 65535, not '0'"},
        {"TCPIP::10.0.0.5::65536::SOCKET", "from 1 to 65535"},
        {"TCPIP::10.0.0.5::-1::SOCKET", "from 1 to 65535"},
        {"TCPIP::10.0.0.5::50x::SOCKET", "not '50x'"},
        {"TCPIP::::5025::SOCKET", "not a host name"},
        {"TCPIP::bad/host::5025::SOCKET", "not a host name"},
        {"TCPIPX::h::5025::SOCKET", "board number"},
        {"TCPIP::h::1::2::SOCKET", "write TCPIP::HOST::PORT::SOCKET"},
        {"TCPIP::10.0.0.5::50 25::SOCKET", "blanks or control characters"},
        {"USB0::0x1234::0x5678::MY001::INSTR", "usbtmc device file"},
        {"USB::usbtmc0", "usbtmc device file"},
        {"/dev/usbtmcX", "must be /dev/usbtmcN"},
        {"/dev/ttyUSB0", "unknown kind"},
        {"ASRL1::INSTR", "ASRL followed by its device file"},
        {"ASRL/dev/ttyUSB1::9601", "not a standard serial speed"},
        {"ASRL/dev/ttyUSB1::fast", "not a standard serial speed"},
        {"GPIB0::12::INSTR", "unknown kind"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const Result<Resource> parsed = ParseResource(row.text);
        ASSERT_FALSE(parsed.ok());
        EXPECT_EQ(parsed.error().fault, Fault::BadAddress);
        EXPECT_NE(parsed.error().message.find(row.why), std::string::npos)
            << parsed.error().message;
    }
}

}  // namespace
}  // namespace qs::instruments
