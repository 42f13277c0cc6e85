#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "link/link_hooks.h"
#include "platform/alerts.h"
#include "platform/main_window_controls.h"
#include "shell/hidden_keys.h"

namespace qs {

class clsCmcKel3Sequence;
class clsCmcProfileIO;
class clsConsole;
class frmCom;
class IRigOps;

// Key codes and the shift mask the front end reports (the classic virtual-key numbers).
inline constexpr std::int16_t kKeyEnter = 13;
inline constexpr std::int16_t kKeyLeft = 37;
inline constexpr std::int16_t kKeyRight = 39;
inline constexpr std::int16_t kKeySeparator = 108;
inline constexpr std::int16_t kKeyF5 = 116;
inline constexpr std::int16_t kShiftMaskShift = 1;

// The main window's logic: the two settings, the per-tick step of the whole program, the
// keys, clicks and menus, the clone error message and the close sequence. The front end
// owns the controls and forwards its events to the On... handlers.
// The command buttons by index: Reload takes every live reading afresh (as F5), DispPara
// shows the parameter page.
inline constexpr std::int16_t kReloadButton = 1;
inline constexpr std::int16_t kDispParaButton = 2;

class frmMain : public IMainTask, public ICloneErrorReporter {
public:
    static constexpr std::int16_t kMinComPort = 1;
    static constexpr std::int16_t kMaxComPort = 4;
    static constexpr std::int16_t kMaxAutoReleaseSeconds = 5;
    static constexpr std::int16_t kStepSmall = 1;
    static constexpr std::int16_t kStepShift = 5;
    static constexpr std::int32_t kComBusyLeftTwips = 120;
    static constexpr std::int32_t kComBusyTopTwips = 120;

    // Runs the window's initialise step: port 1 (handed to the model) and release off.
    frmMain(const MainWindowControls& controls, frmCom& com, clsCmcKel3Sequence& sequence,
            clsConsole& console, IRigOps& model, IMessageBox& messageBox);
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    std::int16_t ComPortNo() const { return ComPortNo_; }
    // Stores the number and hands it to the model (which resets when it differs).
    void setComPortNo(std::int16_t portNo);
    std::int16_t ComAutoRelease() const { return ComAutoRelease_; }
    // Stores the seconds and sets the sequence's port hold time in milliseconds.
    void setComAutoRelease(std::int16_t seconds);

    // IMainTask: sequence step, model step, a second sequence step while an operation runs,
    // then the menu check marks and the port label.
    void task() override;
    // ICloneErrorReporter: resets the model, then shows the message for the error state.
    void MsgBoxCloneErr(clsCmcKel3Sequence& sequence) override;

    // "OPTION": ComPort and ComAutoRelease as decimal numbers.
    void saveData(clsCmcProfileIO& objProf);
    // A missing, empty, non-numeric or out-of-range setting gives its default.
    void loadData(clsCmcProfileIO& objProf);

    // Window events.
    void Form_Initialize();
    void Form_Load();
    void Form_Resize();
    // The window is closing: port closed, settings saved, serial port window unloaded.
    // Runs once however often the front end reports it.
    void Form_QueryUnload();

    // Keys on the console list; true when the key is swallowed. A swallowed key, F5 and a
    // button click run the heartbeat at once, so their effect does not wait for the timer.
    bool OnConsoleKeyDown(std::int16_t keyCode, std::int16_t shiftMask);
    // Keys seen by the window before its controls; true when swallowed (F5).
    bool OnWindowKeyDown(std::int16_t keyCode, std::int16_t shiftMask);
    // The console list gained the focus: select row 0 when nothing is selected.
    void OnConsoleGotFocus();
    void OnCommandClick(std::int16_t index);
    // Enter on an item's row, as the technician selects the row and presses the key. For a
    // driver of the core (a procedure run): never held back.
    void PressEnterOn(std::int16_t item);
    // Every live reading taken afresh, as Reload (F5) takes them; for a driver of the core.
    void Reload();

    // While a procedure run drives the radio the technician's input that would work it (the
    // console's keys, F5, the command buttons, the port and release menus) is refused, and
    // `reason` ("a procedure run is using the radio") is told to the front end; empty lets it
    // through again. The run itself drives the core through PressEnterOn and Reload.
    void setInputHeld(std::string reason);
    const std::string& inputHeld() const { return inputHeld_; }
    void setInputHeldChanged(std::function<void(const std::string& reason)> changed) {
        inputHeldChanged_ = std::move(changed);
    }
    // Runs the heartbeat at once, after an input the task acts on (a key, a click, a value
    // set by a driver of the core).
    void RunTaskNow();
    // The clone error message last shown, empty before the first.
    const std::string& lastCloneError() const { return lastCloneError_; }
    // The same without the note on an automatic operation it cut short: for a driver that says
    // what the radio holds its own way.
    const std::string& lastLinkError() const { return lastLinkError_; }
    // A character typed while a command button has the focus.
    void OnCommandKeyPress(char keyAscii);
    void OnMenuComPort(std::int16_t index);
    void OnMenuAutoRelease(std::int16_t index);
    // Asks the front end to close the window (which then runs Form_QueryUnload).
    void OnMenuExit();
    void setCloseWindow(std::function<void()> closeWindow) {
        closeWindow_ = std::move(closeWindow);
    }

    const HiddenKeySequence& hiddenKeys() const { return hiddenKeys_; }

private:
    void RefreshMenuChecks();
    void RefreshPortLabel();

    MainWindowControls controls_;
    frmCom& com_;
    clsCmcKel3Sequence& sequence_;
    clsConsole& console_;
    IRigOps& model_;
    IMessageBox& messageBox_;
    std::function<void()> closeWindow_;

    std::int16_t ComPortNo_ = kMinComPort;
    std::int16_t ComAutoRelease_ = 0;
    HiddenKeySequence hiddenKeys_;
    bool unloaded_ = false;
    std::string lastLinkError_;
    std::string inputHeld_;
    std::function<void(const std::string&)> inputHeldChanged_;
    bool ConsoleKey(std::int16_t keyCode, std::int16_t shiftMask);
    std::string lastCloneError_;
};

}  // namespace qs
