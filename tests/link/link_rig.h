#pragma once

// A serial port service on an in-memory cable with a hand-moved clock, as the link tests
// share it.

#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "fakes/fake_timer.h"
#include "fakes/memory_cable.h"
#include "link/clone_sequence.h"
#include "link/hex_text.h"
#include "link/link_hooks.h"
#include "link/radio.h"
#include "link/serial_service.h"

namespace qs::testing {

class RecordingReporter : public ICloneErrorReporter {
public:
    struct Call {
        bool errCannotOpen;
        bool errOverflow;
        std::int16_t lastError;
        std::int16_t sequenceError;
        bool portOpen;
    };
    explicit RecordingReporter(frmCom& com) : com_(com) {}
    void MsgBoxCloneErr(clsCmcKel3Sequence& sequence) override {
        calls.push_back({com_.errCannotOpen(), com_.errOverflow(), com_.kel3D().lastError(),
                         sequence.error(), com_.comOpen()});
        if (onCall) onCall(sequence);
    }
    std::vector<Call> calls;
    std::function<void(clsCmcKel3Sequence&)> onCall;

private:
    frmCom& com_;
};

class ListSubNameCheck : public ISubNameCheck {
public:
    bool RigOpFunc_CheckSubNameLegal(const std::string& nameS) override {
        asked.push_back(nameS);
        return legal;
    }
    bool legal = true;
    std::vector<std::string> asked;
};

struct LinkRig {
    LinkRig() { com.setCloneErrorReporter(&reporter); }

    FakeClock clock{1000};
    MemoryCable cable;
    FakeTimer timer;
    frmCom com{cable, timer, clock};
    RecordingReporter reporter{com};
    clsCmcKel3Drv& drv = com.kel3D();

    void Heartbeat() { com.timSolid_Timer(); }
    // The driver's part of a heartbeat only: received bytes, then time-outs. Errors stay
    // visible (a full heartbeat would report them and close the port).
    void Pump() {
        if (cable.inBufferCount() > 0) drv.read(cable.input());
        drv.task();
    }
    void Deliver(const Bytes& bytes) { cable.deliver(bytes); }
    std::string Written(std::size_t index) const {
        return index < cable.writes().size() ? BytesToHexText(cable.writes()[index]) : "";
    }
};

}  // namespace qs::testing
