#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "console/console.h"
#include "link/clone_sequence.h"
#include "link/radio.h"
#include "link/serial_service.h"
#include "model/rig_k52t_op.h"
#include "platform/alerts.h"
#include "platform/instance_lock.h"
#include "platform/main_window_controls.h"
#include "platform/profile_store.h"
#include "platform/serial_port.h"
#include "platform/tick_source.h"
#include "platform/timer.h"
#include "shell/main_window.h"
#include "shell/profile_io.h"

namespace qs {

// The program as a whole: owns every program-wide object and runs start-up and shutdown.
//
// Construction only stores the platform pieces; nothing is created and nothing touches the
// port or the settings file until Start(). The platform pieces must outlive the Application.
//
//   Application app(port, timer, clock, settingsStore, messageBox, beeper, instanceLock,
//                   window.controls());
//   if (!app.Start()) return 0;           // a second copy: the refusal was shown
//   window.show();                        // then run the event loop
//   // On any close of the window: app.main().Form_QueryUnload(), then end the program.
//
// Start() creates, in this order: the serial port service (`frmCom`) with the settings
// accessor `profMain` pointed at RW5120A.rs in the program's folder; the radio identity
// (model "3017", sub code "0102"); port 1 at 9600 bit/s; driver and port reset; the clone
// sequence, the console, the model and the main window, wired to one another; then it
// loads the settings, enables the 50 ms heartbeat (everything it drives exists by then),
// and runs the window's load and first resize. The heartbeat first fires from the event
// loop, after Start() has returned.
class Application {
public:
    static constexpr const char* kSettingsFileName = "RW5120A.rs";
    static constexpr const char* kRadioModelCode = "3017";
    static constexpr const char* kRadioSubCode = "0102";
    static constexpr std::int16_t kStartPortNum = 1;
    static constexpr std::int32_t kStartBaud = 9600;

    Application(ISerialPort& port, ITimer& timer, const ITickSource& clock,
                IProfileStore& settingsStore, IMessageBox& messageBox, IBeeper& beeper,
                IInstanceLock& instanceLock, const MainWindowControls& controls);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    ~Application();

    // False, after showing the refusal, when another copy is running; true once running.
    bool Start();
    bool started() const { return main_ != nullptr; }

    // The close sequence (port closed, settings saved, heartbeat off); runs once. The
    // front end calls it for every way of closing the window, then ends the program.
    void Close();

    // Called after every heartbeat (the timer's, data arriving, a key), once the main window's
    // step has run: for whatever follows the core step by step, such as a procedure or the
    // command line's waits. A listener may add or remove listeners, itself included. Returns
    // the number RemoveHeartbeatListener takes.
    int AddHeartbeatListener(std::function<void()> listener);
    void RemoveHeartbeatListener(int id);

    // The program-wide objects; valid after a successful Start().
    frmCom& com() { return *com_; }
    clsCmcProfileIO& profMain() { return *profMain_; }
    clsCmcRadio& radio() { return radio_; }
    clsCmcKel3Sequence& sequence() { return *sequence_; }
    clsConsole& console() { return *console_; }
    clsIndOp_RigK52T& model() { return *model_; }
    frmMain& main() { return *main_; }

private:
    // Hands the model's clone errors to the main window, which is created after the model.
    class ErrorRelay : public ICloneErrorReporter {
    public:
        void MsgBoxCloneErr(clsCmcKel3Sequence& sequence) override {
            if (target != nullptr) target->MsgBoxCloneErr(sequence);
        }
        frmMain* target = nullptr;
    };

    // The main task of the heartbeat: the main window's step, then the listeners.
    class Heartbeat : public IMainTask {
    public:
        void task() override;
        frmMain* main = nullptr;
        std::vector<std::pair<int, std::function<void()>>> listeners;
        int lastId = 0;
    };

    ISerialPort& port_;
    ITimer& timer_;
    const ITickSource& clock_;
    IProfileStore& settingsStore_;
    IMessageBox& messageBox_;
    IBeeper& beeper_;
    IInstanceLock& instanceLock_;
    MainWindowControls controls_;

    // Declared in the order of creation, so they are destroyed in reverse.
    std::unique_ptr<clsCmcProfileIO> profMain_;
    std::unique_ptr<frmCom> com_;
    clsCmcRadio radio_;
    std::unique_ptr<clsCmcKel3Sequence> sequence_;
    std::unique_ptr<clsConsole> console_;
    ErrorRelay errorRelay_;
    std::unique_ptr<clsIndOp_RigK52T> model_;
    std::unique_ptr<frmMain> main_;
    Heartbeat heartbeat_;
};

}  // namespace qs
