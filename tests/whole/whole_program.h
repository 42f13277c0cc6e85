#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fakes/fake_alerts.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_instance_lock.h"
#include "fakes/fake_timer.h"
#include "fakes/memory_cable.h"
#include "fakes/memory_profile_store.h"
#include "fakes/sim_cable.h"
#include "shell/application.h"
#include "station/held_messages.h"
#include "virtual_radio.h"

namespace qs::whole {

// Console rows the tests select, as the item table orders them.
inline constexpr int kBpfAllRow = 9;
inline constexpr int kBpfT1Row = 10;
inline constexpr int kRxLvaRow = 12;
inline constexpr int kRssiRow = 16;

// The whole program as it runs on the bench: the real core started through Application,
// the platform fakes, and a virtual radio on the in-memory cable, all on the fake clock.
class WholeProgram {
public:
    explicit WholeProgram(qtsim::RadioConfig config = {});
    ~WholeProgram();

    // One 50 ms heartbeat; the radio's bytes that have arrived by then come first.
    void Tick();
    // One millisecond as the running program lives it: the radio's bytes arrive as they
    // leave its line, each arrival running the heartbeat at once (the port's notification),
    // and the timer's heartbeat comes every 50 ms.
    void Millisecond();
    // Heartbeats until `done` holds; false if it never did within `maxTicks`.
    bool RunUntil(const std::function<bool()>& done, int maxTicks = 4000);
    void RunFor(int ticks);

    // The technician's hands.
    void Click(std::int16_t button) { app.main().OnCommandClick(button); }
    void SelectRow(int row) { win.lboConsole.setListIndex(row); }
    void Key(std::int16_t keyCode, std::int16_t shift = 0);
    // Connect, then run until the first adjustment cycle is complete.
    bool Connect();
    // Runs until the automatic operation that a pending Enter starts has ended.
    bool RunOperation(int maxTicks = 20000);

    // Swaps the radio on the cable for another one (power-cycled or a different unit).
    void PlugRadio(qtsim::RadioConfig config, qtsim::MemoryImage image);
    // The radio goes quiet: the cable still echoes, nothing answers.
    void SilenceRadio();

    struct Adjustment {
        int command;
        int value;
        std::int32_t atMs;
    };
    // Every E8 command the program wrote, readings included (command 3), in order.
    std::vector<Adjustment> Adjustments() const;
    std::vector<Adjustment> Settings() const;  // without the readings

    clsIndOp_RigK52T& model() { return app.model(); }
    clsConsole& console() { return app.console(); }
    const clsCmcEeprom& image() { return app.radio().eepImage(); }
    qtsim::VirtualRadio& radio() { return *radio_; }

    FakeMainWindow win;
    FakeClock clock;
    FakeTimer timer;
    MemoryCable cable;
    MemoryProfileStore store;
    FakeMessageBox box;
    // The core's box as the desktop program gives it: held while a procedure run is under way
    // (a run on the station holds it), else straight through to `box`.
    HeldMessages messages{box};
    FakeBeeper beeper;
    FakeInstanceLock lock;

private:
    void NoteWriteTimes();

    std::unique_ptr<qtsim::VirtualRadio> radio_;
    std::unique_ptr<SimCable> sim_;
    std::vector<std::int32_t> writeTimesMs_;  // fake-clock time of each cable write
    int msSinceBeat_ = 0;

public:
    Application app;
};

}  // namespace qs::whole
