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
#include "link/link_hooks.h"
#include "qtcore/port_bindings.h"
#include "qtcore/qt_instance_lock.h"
#include "qtcore/program_serial_port.h"
#include "qtcore/qt_timer.h"
#include "qtcore/simulator_process.h"
#include "safety/line_file.h"
#include "port/program_port.h"
#include "safety/wall_clock.h"

class QEventLoop;

namespace qs {
class Application;
class ConnectionRecords;
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
    int timeoutSeconds = 600;
    bool progressBar = false;  // the clone read's progress on standard error
};

// The core as the desktop program runs it (Application, safety net, port check, trace, the
// virtual radio), on QtCore with headless controls, driven command by command: each wait
// runs the event loop until the core reaches a state, fails, is interrupted or runs out of
// the command's time.
class CliSession {
public:
    enum class Outcome { Done, Failed, TimedOut, Interrupted };

    explicit CliSession(SessionSetup setup);
    ~CliSession();
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    // Opens the trace file (before anything else, so a bad name stops at once); false with
    // `error` filled.
    bool OpenTrace(std::string& error);
    // The single-instance lock and the core; false when another copy runs (the refusal has
    // been shown). Nothing touches the port yet.
    bool Start();
    // Starts the virtual radio when asked for; false with `error` filled.
    bool StartSimulator(std::string& error);

    // Connect, then wait for the end of the first adjustment cycle (items sent once, the
    // first readings in the lists).
    Outcome Connect();
    // Clicks Connect only.
    void ClickConnect();
    // Runs the event loop until `done` holds after a heartbeat. Failed when the core has
    // shown an error and gone back to its idle state.
    Outcome RunUntil(const std::function<bool()>& done);
    // The adjustment cycle's end with nothing pending: no frame, wait, change, Enter or
    // automatic operation.
    bool Idle();
    // Enter on the item's console row, as the technician presses it.
    void PressEnter(std::int16_t item);
    // The port closed, the journal complete; runs once.
    void Close();

    // Called after every heartbeat (prompts of an operation that waits for the technician).
    void setTickHook(std::function<void()> hook) { tickHook_ = std::move(hook); }

    Application& app() { return *app_; }
    SafetyNet& safety();
    HeadlessMainWindow& window() { return window_; }
    TerminalMessageBox& messages() { return messageBox_; }
    std::string device() const { return bindings_.DeviceFor(kPort); }
    int timeoutSeconds() const { return setup_.timeoutSeconds; }
    bool interrupted() const { return interrupted_; }

private:
    static constexpr std::int16_t kPort = 1;

    // Sees every heartbeat of the program after the main window's own step.
    class HeartbeatWatch : public IMainTask {
    public:
        void task() override;
        IMainTask* inner = nullptr;
        std::function<void()> after;
    };

    void AfterHeartbeat();
    void ShowProgress();
    void StopWaiting();

    SessionSetup setup_;
    qt::PortBindings bindings_;
    qt::ProgramSerialPort port_;
    qt::QtTimer timer_;
    qt::SystemTickSource clock_;
    TransientSettings settings_;
    TerminalMessageBox messageBox_;
    SilentBeeper beeper_;
    qt::QtInstanceLock lock_;
    HeadlessMainWindow window_;
    LineFile traceFile_;
    std::unique_ptr<ProgramPort> programPort_;
    SystemWallClock wallClock_;
    HeartbeatWatch watch_;
    std::unique_ptr<Application> app_;
    std::unique_ptr<ConnectionRecords> records_;
    qt::SimulatorProcess simulator_;
    std::unique_ptr<qt::CloseOnSignal> closeOnSignal_;

    QDeadlineTimer deadline_;
    QEventLoop* loop_ = nullptr;
    std::function<bool()> done_;
    Outcome outcome_ = Outcome::Done;
    std::function<void()> tickHook_;
    bool connectClicked_ = false;
    bool interrupted_ = false;
    bool progressShown_ = false;
    std::string lastProgress_;
    bool closed_ = false;
};

}  // namespace qs::cli
