#pragma once

// A clone driver on an in-memory cable with a fake clock, as the serial port service owns
// it: the harnesses open the port, send one frame in a chosen work mode and then feed bytes.

#include <cstdint>

#include "fakes/fake_clock.h"
#include "fakes/fake_timer.h"
#include "fakes/memory_cable.h"
#include "link/clone_driver.h"
#include "link/eeprom.h"
#include "link/hex_text.h"
#include "link/serial_service.h"

namespace qs::fuzz {

// The request frames of the three work modes that await something.
inline Bytes RequestFor(std::int16_t mode) {
    switch (mode) {
        case clsCmcKel3Drv::kModeIdentify:
            return HexTextToBytes("E030170000");
        case clsCmcKel3Drv::kModeCloneRead:
            return HexTextToBytes("E230170102");
        default:
            return HexTextToBytes("E8301701020333313330");
    }
}

struct DriverRig {
    FakeClock clock;
    FakeTimer timer;
    MemoryCable cable;
    frmCom com{cable, timer, clock};
    clsCmcEeprom image;

    DriverRig() { cable.setEcho(false); }

    clsCmcKel3Drv& driver() { return com.kel3D(); }

    // Opens the port and sends the mode's request; with `echo` the cable's echo is fed too,
    // so the driver waits for the answer.
    void Start(std::int16_t mode, bool waitAnswer, std::int16_t retries, bool echo) {
        com.setComOpen(true);
        driver().setWorkMode(mode);
        driver().setWaitAnswer(waitAnswer);
        driver().setRetryCount(retries);
        driver().setMyEep(&image);
        driver().Send(RequestFor(mode));
        if (echo) driver().read(BuildCloneFrame(RequestFor(mode)));
    }

    // A heartbeat's worth of the driver's own work.
    void Tick(std::int32_t milliseconds) {
        clock.advance(milliseconds);
        driver().task();
    }
};

// Aborts (a finding) when the driver's state breaks its own rules.
inline void CheckDriverInvariants(const clsCmcKel3Drv& d) {
    const auto e = d.nowError();
    if (e < 0 || e > clsCmcKel3Drv::kErrOutsideImage) __builtin_trap();
    if (d.lastError() < 0 || d.lastError() > clsCmcKel3Drv::kErrOutsideImage) __builtin_trap();
    if (e != 0 && d.Running()) __builtin_trap();
    if (d.lastEeAdr() < 0 || d.lastEeAdr() >= clsCmcEeprom::kImageSizeBytes) __builtin_trap();
    if (d.varLastE8Answer().size() > 256) __builtin_trap();
}

}  // namespace qs::fuzz
