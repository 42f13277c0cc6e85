#pragma once

// The whole core (the shell's Application with every program-wide object) on fakes, joined
// through the in-memory cable to a virtual radio, on a fake clock: a technician's session
// that runs in milliseconds. The radio can be swapped for another without restarting the
// program, as a technician swaps the radio on the bench.

#include <cstdint>
#include <memory>
#include <string>

#include "fakes/fake_alerts.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_instance_lock.h"
#include "fakes/fake_timer.h"
#include "fakes/memory_cable.h"
#include "fakes/memory_profile_store.h"
#include "fakes/sim_cable.h"
#include "shell/application.h"
#include "virtual_radio.h"

namespace qs {

// A radio that sends at once (no line pacing), so a whole clone read takes one heartbeat.
qtsim::RadioConfig UnpacedRadio(qtsim::Faults faults = {});

class ProgramOnSim {
public:
    static constexpr std::int32_t kHeartbeatMs = 50;
    static constexpr std::int16_t kConnectButton = 0;

    explicit ProgramOnSim(qtsim::RadioConfig radio = UnpacedRadio());
    ~ProgramOnSim();
    ProgramOnSim(const ProgramOnSim&) = delete;
    ProgramOnSim& operator=(const ProgramOnSim&) = delete;

    // Puts another radio on the cable (the program keeps running).
    void SwapRadio(qtsim::RadioConfig radio);

    // One timer tick: time moves on, what the radio sent by now arrives, the heartbeat runs.
    void Beat();
    // Heartbeats until editing is enabled, a message box was shown, or the limit is reached.
    // True when editing is enabled and no message appeared.
    bool ConnectAndWait(int maxBeats = 400);
    // Heartbeats until a message box was shown (true) or the limit is reached.
    bool WaitForMessage(int maxBeats);
    // Heartbeats for the given time.
    void Run(std::int32_t milliseconds);

    // Selects a console row and presses Right (or Left) on it.
    void Step(std::int16_t row, std::int16_t keyCode);

    // Drops what the fakes recorded (writes, list updates, messages), so a long run measures
    // the program's memory and not the test's records.
    void ForgetRecords();

    bool Idle();
    bool EditEnabled();
    // The last message box text; empty when none was shown.
    std::string LastMessage() const;

    Application& app() { return *app_; }
    qtsim::VirtualRadio& radio() { return *radio_; }
    MemoryCable& cable() { return cable_; }
    FakeMessageBox& box() { return box_; }
    FakeMainWindow& ui() { return ui_; }
    FakeClock& clock() { return clock_; }

private:
    FakeMainWindow ui_;
    MemoryCable cable_;
    FakeTimer timer_;
    FakeClock clock_;
    MemoryProfileStore store_;
    FakeMessageBox box_;
    FakeBeeper beeper_;
    FakeInstanceLock lock_;
    std::unique_ptr<qtsim::VirtualRadio> radio_;
    std::unique_ptr<SimCable> sim_;
    std::unique_ptr<Application> app_;
};

}  // namespace qs
