#pragma once

// A virtual service monitor on the bench of the virtual radio: a signal generator into the
// radio's receiver and meters on its transmitter, spoken to in SCPI, one program message (a
// line without its LF) at a time. It holds one state and one error queue for every client,
// as an instrument does.
//
//   IEEE 488.2   *IDN? *RST *CLS *OPC *OPC? *ESR? *ESE n *ESE? *STB? *TST? *WAI
//   Errors       SYSTem:ERRor[:NEXT]?  oldest first, 0,"No error" when empty; at most 10, the
//                last replaced by -350,"Queue overflow"
//   Generator    [SOURce:]FREQuency[:CW] <Hz>  (HZ KHZ MHZ GHZ; 100 kHz to 3 GHz)
//                [SOURce:]POWer[:LEVel][:IMMediate][:AMPLitude] <dBm>  (DBM; -140 to +13)
//                OUTPut[:STATe] ON|OFF|1|0      each also as a query
//   Meters       UNIT:POWer W|DBM (and ?), MEASure:POWer?, MEASure:FM:DEViation?,
//                MEASure:FREQuency?
//
// Answers are NR3 numbers (+4.921568627E+00), several in one message joined by ';'. An
// unknown header queues -113,"Undefined header", a parameter of the wrong kind -104, a
// wrong suffix -131, a missing one -109, one too many -108, a bad keyword -224, a value out
// of range -222, a measurement without a carrier -230 (monitor_curves.h has the readings).

#include <deque>
#include <optional>
#include <string>

#include "monitor_curves.h"
#include "virtual_radio.h"

namespace qtsim {

class ServiceMonitor {
public:
    static constexpr std::size_t kErrorQueueEntries = 10;

    // Couples the generator to the radio until the monitor is destroyed.
    explicit ServiceMonitor(VirtualRadio& radio);
    ~ServiceMonitor();
    ServiceMonitor(const ServiceMonitor&) = delete;
    ServiceMonitor& operator=(const ServiceMonitor&) = delete;

    // One program message; the answer line with its LF, or empty when it asks nothing.
    std::string execute(const std::string& line);
    // An error found outside a message (an over-long line).
    void queueError(int code, const std::string& text);

    const GeneratorOutput& generator() const { return generator_; }
    std::string identity() const;

private:
    friend struct MonitorCommands;  // the command table, in service_monitor.cpp

    std::optional<std::string> measure(const std::string& what);

    VirtualRadio& radio_;
    GeneratorOutput generator_;
    bool powerInDbm_ = false;
    std::deque<std::string> errors_;
    int eventStatus_ = 0;
    int eventEnable_ = 0;
    bool muted_ = false;  // the monitor-mute-at fault has fired
};

}  // namespace qtsim
