#pragma once

#include <QDeadlineTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/headless_controls.h"
#include "cli/terminal_alerts.h"
#include "cli/transient_settings.h"
#include "instruments/bench_setup.h"
#include "link/link_hooks.h"
#include "program/program_root.h"

class QEventLoop;

namespace qs {
class Application;
class SafetyNet;
}  // namespace qs

namespace qs::qt {
class CloseOnSignal;
}

namespace qs::cli {

struct SessionSetup {
    std::string device;  // empty: COM 1's usual device
    bool simulate = false;
    std::vector<std::string> simulatorArgs;
    std::string traceFile;
    int timeoutSeconds = 600;  // for each command
    bool progressBar = false;  // the clone read's progress on standard error
    RecordsOptions records;    // problems and the first import said on standard error
    // qs71dr-adj's bench settings, of which only the calibration dates and what a run does
    // about them are taken: the instruments' addresses come from the procedure.
    instruments::BenchSetup calibration;
};

// The program as the composition root builds it, with headless controls, driven command by
// command: each wait runs the event loop until the core reaches a state, fails, is
// interrupted or runs out of the command's time. The connection is raised step by step, each
// step at most once: identification, a read-only connection, then adjustment.
class CliSession {
public:
    enum class Outcome { Done, Failed, TimedOut, Interrupted };
    // How far the connection has come.
    enum class Link { None, Identified, Connected, Adjusting };

    explicit CliSession(SessionSetup setup);
    ~CliSession();
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    // Opens the trace file (before anything else, so a bad name stops at once); false with
    // `error` filled.
    bool OpenTrace(std::string& error);
    // The core, with no single-instance lock: copies on other cables run side by side, and
    // one on the same cable is refused by the port's own lock when it opens. Nothing touches
    // the port yet.
    bool Start();
    // For commands that never touch the radio (bench): no core, only the signals and the
    // command clock.
    void StartWithoutRadio();
    // The core started.
    bool started() const { return root_.started(); }
    // Starts the virtual radio (with its service monitor bound to every role of the bench)
    // when asked for; false with `error` filled.
    bool StartSimulator(std::string& error);

    // Each command gets the whole --timeout from here.
    void StartCommandClock();

    // The identification exchange alone (no clone read), when not connected yet. Done also
    // for a radio the model refuses: its answer is in the sequence.
    Outcome Identify();
    // Connected without changing the radio: clone read, backup and journal, the console
    // loaded and one reading cycle, no adjustment command.
    Outcome Connect();
    // The end of the restraint: the first sending as Connect does it, to the end of the cycle.
    Outcome BeginAdjustment();
    Link link() const { return link_; }

    // Runs the event loop until `done` holds after a heartbeat. Failed when the core has
    // shown an error and gone back to its idle state.
    Outcome RunUntil(const std::function<bool()>& done);
    // The adjustment cycle's end with nothing pending (the model's Settled).
    bool Idle();
    void ClickButton(std::int16_t index);
    // The port closed, the journal complete; runs once.
    void Close();

    // As RunUntil, for work that ends itself (a procedure): a failure of the radio or a signal
    // does not end the wait; the work sees the one and `onSignal` hears the other, and the
    // wait goes on until `done` holds (or the time runs out).
    Outcome RunToEnd(const std::function<bool()>& done, std::function<void()> onSignal);

    // Looks at the condition of RunUntil now, for a result that came between heartbeats (an
    // instrument's answer).
    void Wake();

    Application& app();
    SafetyNet& safety();
    instruments::BenchStation& benchStation() { return root_.benchStation(); }
    // The one owner of the radio, its bench and the run.
    RadioStation& station() { return root_.station(); }
    const std::string& benchName() const { return root_.benchName(); }
    HeadlessMainWindow& window() { return window_; }
    TerminalMessageBox& messages() { return messageBox_; }
    std::string device();
    int timeoutSeconds() const { return setup_.timeoutSeconds; }
    // The signal that stopped the session, 0 when none did.
    int stopSignal() const { return stopSignal_; }
    // The reader of standard output or standard error went away (SIGPIPE is ignored): the
    // session stopped as a signal stops it, and ends with status 1.
    bool outputLost() const { return outputLost_; }

private:
    void AfterHeartbeat();
    void WatchSignals();
    void WatchOutput();
    bool stopped() const { return stopSignal_ != 0 || outputLost_; }
    void ShowProgress();
    void StopWaiting();

    SessionSetup setup_;
    ProgramRoot root_;
    TransientSettings settings_;
    TerminalMessageBox messageBox_;
    SilentBeeper beeper_;
    HeadlessMainWindow window_;
    std::unique_ptr<qt::CloseOnSignal> closeOnSignal_;

    QDeadlineTimer deadline_;
    QEventLoop* loop_ = nullptr;
    std::function<bool()> done_;
    Outcome outcome_ = Outcome::Done;
    // Set while RunToEnd waits: a signal goes here instead of ending the wait.
    std::function<void()> signalHook_;
    Link link_ = Link::None;
    // A connection was asked for: the model back at its idle state means it failed.
    bool connectionWanted_ = false;
    int stopSignal_ = 0;
    bool outputLost_ = false;
    bool progressShown_ = false;
    std::string lastProgress_;
    bool closed_ = false;
};

}  // namespace qs::cli
