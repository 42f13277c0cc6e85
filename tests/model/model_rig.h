#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "console/console.h"
#include "fakes/fake_alerts.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_timer.h"
#include "fakes/memory_cable.h"
#include "link/clone_sequence.h"
#include "link/eeprom.h"
#include "link/radio.h"
#include "link/serial_service.h"
#include "model/rig_k52t_op.h"

namespace qs::testing {

// A radio played by the test on the memory cable: answers identification, clone read and
// reading requests, and records every adjustment command. One queued frame reaches the
// program per heartbeat, as a slow line would deliver it.
class ScriptedRadio {
public:
    static constexpr int kBlockBytes = 16;

    explicit ScriptedRadio(MemoryCable& cable);

    clsCmcEeprom image;
    std::map<int, int> readings;  // reading code -> raw value (0 when absent)
    // When set, gives the raw value of a reading instead of `readings`.
    std::function<int(int code)> readingValue;
    // The last value sent with `command`, or -1 when none was.
    int LastSent(int command) const;
    // Replaces the body of the next reading answers (after EF EE E8) when set.
    std::function<Bytes(int code)> readingBody;
    bool silent = false;

    struct Adjustment {
        int command;
        int value;
    };
    std::vector<Adjustment> adjustments;
    std::vector<int> readingCodes;

    // Delivers the next queued frame, if any.
    void Pump();
    bool Busy() const { return !outbox_.empty(); }

private:
    void OnWrite(const Bytes& frame);
    void Queue(const Bytes& body);

    MemoryCable& cable_;
    std::deque<Bytes> outbox_;
};

// Everything the model works with, wired as the program wires it, with a heartbeat that runs
// the port service, the clone sequence and the model as the main window does.
class ModelRig : public IMainTask, public ICloneErrorReporter {
public:
    ModelRig();

    // IMainTask: the main window's per-tick step.
    void task() override;
    // ICloneErrorReporter: counts the message and resets the model, as the window does.
    void MsgBoxCloneErr(clsCmcKel3Sequence& sequence) override;

    // One 50 ms heartbeat.
    void Tick();
    // Heartbeats until `done` holds; false when it never did within `maxTicks`.
    bool RunUntil(const std::function<bool()>& done, int maxTicks = 5000);
    // Connect and run until the first adjustment cycle has ended at state 28.
    bool Connect();

    FakeMainWindow win;
    FakeClock clock;
    FakeTimer timer;
    MemoryCable cable;
    frmCom com{cable, timer, clock};
    clsCmcRadio radio;
    clsCmcKel3Sequence seq{com, radio, clock};
    clsConsole console;
    FakeBeeper beeper;
    ScriptedRadio radioPeer{cable};
    clsIndOp_RigK52T op;
    int errorMessages = 0;
    std::vector<std::int16_t> errorSequenceCodes;
    std::vector<std::int16_t> errorDriverCodes;
};

// A memory image with a parameter table: channel records (8 bytes) at 0x1000 for 40
// channels, power records (1 byte) at 0x1200.
inline constexpr std::int32_t kRigChannels = 0x1000;
inline constexpr std::int32_t kRigPower = 0x1200;
void PutRigTable(clsCmcEeprom& image, int channelCount = 40);
void PutChannel(clsCmcEeprom& image, int ch, std::uint32_t rxHz, std::uint32_t txHz, int power);

}  // namespace qs::testing
