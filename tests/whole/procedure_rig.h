#pragma once

// A procedure run on the whole bench, on the fake clock: the real program and the runner, the
// virtual radio with its service monitor, the real instrument client speaking to the monitor,
// the safety net writing backups into a folder of its own, and a technician who answers by
// script. Time moves a millisecond at a time, so every wait and answer lands where it would.

#include <ctime>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fakes/fake_byte_stream.h"
#include "fakes/fake_timer.h"
#include "instruments/bench.h"
#include "instruments/bench_station.h"
#include "procedure/procedure_check.h"
#include "procedure/procedure_runner.h"
#include "safety/safety_net.h"
#include "safety/wall_clock.h"
#include "service_monitor.h"
#include "station/radio_station.h"
#include "whole_program.h"

namespace qs::whole {

inline constexpr char kMonitorAddress[] = "TCPIP::127.0.0.1::5025::SOCKET";

// A timer that fires once the fake clock reaches the end of its interval.
class ClockTimer : public ITimer {
public:
    explicit ClockTimer(const FakeClock& clock) : clock_(clock) {}
    void setInterval(std::int32_t milliseconds) override { interval_ = milliseconds; }
    void setEnabled(bool enabled) override;
    bool enabled() const override { return enabled_; }
    void setHandler(std::function<void()> handler) override { handler_ = std::move(handler); }
    // Runs the handler while it is due (a handler may arm it again at once); false if not.
    bool FireIfDue();

private:
    const FakeClock& clock_;
    std::int32_t interval_ = 0;
    std::int32_t due_ = 0;
    bool enabled_ = false;
    std::function<void()> handler_;
};

class StandingWallClock : public IWallClock {
public:
    std::time_t Now() const override { return 1796640000; }  // 2026-12-07
};

// Answers every question the way it is told, and remembers them.
class ScriptedTechnician : public procedure::ITechnician {
public:
    void Ask(const procedure::Question& question,
             std::function<void(procedure::Answer)> answer) override;
    void Withdraw() override { withdrawn++; open = nullptr; }

    // Answers in order; when none is left, OK or Yes. `holdAnswers` keeps the question open.
    std::deque<procedure::Answer> answers;
    bool holdAnswers = false;
    std::vector<procedure::Question> asked;
    std::function<void(procedure::Answer)> open;
    int withdrawn = 0;
};

class ProcedureRig {
public:
    // The radio's line at `bitsPerSecond` (the clone read takes 96 s at 9600).
    explicit ProcedureRig(int bitsPerSecond = 115200, qtsim::BenchCurves curves = NoWobble());
    ~ProcedureRig();

    static qtsim::BenchCurves NoWobble();

    // Checks the text as a procedure file bound to the virtual monitor; fails the test on a
    // mistake.
    procedure::Procedure Check(const std::string& text);
    procedure::Procedure CheckFile(const std::string& path);

    // Starts a run of the procedure on the station, as both programs do (the rig keeps it),
    // and runs until it has finished.
    bool Run(const procedure::Procedure& procedure, int maxMs = 900000);
    void Start(const procedure::Procedure& procedure);
    bool RunUntil(const std::function<bool()>& done, int maxMs = 900000);
    void Millisecond();

    procedure::ProcedureRunner& runner() { return *runner_; }
    const RunRecord& record() { return runner_->record(); }
    // The step's record by its name (its title).
    const StepRecord& Step(const std::string& title);
    // The value an item's row holds now.
    int Item(const std::string& title);
    // The data folder fills: every further line of the connection's journal fails to be
    // written.
    void FillJournal();

    WholeProgram program;
    qtsim::ServiceMonitor monitor{program.radio()};
    FakeStreams streams;
    FakeTimer benchTimer;
    instruments::Bench bench{streams, benchTimer, program.clock};
    instruments::BenchStation benchStation{bench};
    // The monitor stops answering (as an instrument switched off): queries time out.
    bool monitorSilent = false;
    StandingWallClock wallClock;
    std::filesystem::path folder;
    std::unique_ptr<SafetyNet> safety;
    ClockTimer runnerTimer{program.clock};
    ScriptedTechnician technician;
    std::unique_ptr<RadioStation> station;

private:
    std::shared_ptr<procedure::ProcedureRunner> runner_;
    int benchMs_ = 0;
};

}  // namespace qs::whole
