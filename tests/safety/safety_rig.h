#pragma once

// The whole program on the bench with the safety net around it: the real core started through
// Application, the platform fakes, a virtual radio on the in-memory cable, all on the fake
// clock, with backups written to a fresh temporary folder and, when asked, a serial trace.

#include <cstdint>
#include <ctime>
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
#include "safety/line_file.h"
#include "safety/safety_net.h"
#include "port/serial_trace.h"
#include "safety/wall_clock.h"
#include "shell/application.h"
#include "virtual_radio.h"

namespace qs::safety_test {

// A calendar clock that stands still unless a test moves it.
class FixedWallClock : public IWallClock {
public:
    std::time_t Now() const override { return now; }
    std::time_t now = 1796640000;  // 2026-12-07, around noon UTC
};

// Lines kept in memory.
class MemoryLines : public ILineSink {
public:
    bool WriteLine(const std::string& line) override {
        lines.push_back(line);
        return true;
    }
    std::vector<std::string> lines;
};

// A folder of its own under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    // The files in the folder, sorted by name.
    std::vector<std::string> Files() const;

private:
    std::string path_;
};

enum class Trace { Off, On };

class SafetyRig {
public:
    explicit SafetyRig(std::string backupFolder, Trace trace = Trace::Off,
                       qtsim::MemoryImage image = qtsim::MemoryImage::builtIn());
    ~SafetyRig();

    void Tick();
    bool RunUntil(const std::function<bool()>& done, int maxTicks = 4000);
    void RunFor(int ticks);
    // Connect, then run until the first adjustment cycle is complete.
    bool Connect();
    // Steps the value of a console row with the arrow keys (positive: Right).
    void Step(int row, int steps);

    // The adjustment commands written to the cable (E8 frames without readings): command
    // text after model and sub code, e.g. "093832".
    std::vector<std::string> SettingCommands() const;

    Application& app() { return *app_; }
    SafetyNet& net() { return *net_; }
    qtsim::VirtualRadio& radio() { return radio_; }

    FakeMainWindow win;
    FakeClock clock;
    FakeTimer timer;
    MemoryCable cable;
    MemoryProfileStore store;
    FakeMessageBox box;
    FakeBeeper beeper;
    FakeInstanceLock lock;
    FixedWallClock wall;
    MemoryLines traceLines;
    std::vector<std::string> radioLog;

private:
    qtsim::VirtualRadio radio_;
    std::unique_ptr<SimCable> sim_;
    std::unique_ptr<TracingSerialPort> tracer_;
    std::unique_ptr<Application> app_;
    std::unique_ptr<SafetyNet> net_;
};

}  // namespace qs::safety_test
