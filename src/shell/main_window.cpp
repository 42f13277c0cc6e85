#include "shell/main_window.h"

#include <string>

#include "console/console.h"
#include "link/clone_sequence.h"
#include "link/serial_service.h"
#include "model/rig_ops.h"
#include "shell/clone_error_text.h"
#include "shell/profile_io.h"
#include "shell/program_texts.h"
#include "shell/show_message.h"

namespace qs {

namespace {

constexpr const char* kSettingsSection = "OPTION";
constexpr const char* kKeyComPort = "ComPort";
constexpr const char* kKeyComAutoRelease = "ComAutoRelease";
constexpr std::int32_t kMsPerSecond = 1000;

// Number text with a leading space where a minus sign would go.
std::string SignedNumberText(std::int16_t n) {
    return n < 0 ? std::to_string(n) : " " + std::to_string(n);
}

}  // namespace

frmMain::frmMain(const MainWindowControls& controls, frmCom& com, clsCmcKel3Sequence& sequence,
                 clsConsole& console, IRigOps& model, IMessageBox& messageBox)
    : controls_(controls),
      com_(com),
      sequence_(sequence),
      console_(console),
      model_(model),
      messageBox_(messageBox) {
    Form_Initialize();
}

void frmMain::setComPortNo(std::int16_t portNo) {
    ComPortNo_ = portNo;
    model_.RigOpFunc_SetComPortNo(portNo);
}

void frmMain::setComAutoRelease(std::int16_t seconds) {
    ComAutoRelease_ = seconds;
    sequence_.setComHoldReload(std::int32_t{seconds} * kMsPerSecond);
}

void frmMain::task() {
    sequence_.task();
    model_.task();
    // A running operation takes two steps per heartbeat.
    if (sequence_.OpRunning()) sequence_.task();
    RefreshMenuChecks();
    RefreshPortLabel();
}

void frmMain::RefreshMenuChecks() {
    for (std::int16_t i = kMinComPort; i <= kMaxComPort; ++i) {
        if (IMenuItem* item = controls_.mnuOptSelCom[static_cast<std::size_t>(i)]) {
            item->setChecked(ComPortNo_ == i);
        }
    }
    for (std::int16_t i = 0; i <= kMaxAutoReleaseSeconds; ++i) {
        if (IMenuItem* item = controls_.mnuOptionSelAutoRelease[static_cast<std::size_t>(i)]) {
            item->setChecked(ComAutoRelease_ == i);
        }
    }
}

void frmMain::RefreshPortLabel() {
    ILabel* label = controls_.lblComBusy;
    if (label == nullptr) return;
    const bool open = com_.comOpen();
    label->setCaption("COM" + SignedNumberText(ComPortNo_) + (open ? ": OPEN" : ": CLOSE"));
    label->setForeColor(open ? ColorRole::ButtonText : ColorRole::GrayText);
}

void frmMain::MsgBoxCloneErr(clsCmcKel3Sequence& sequence) {
    CloneErrorState state;
    state.errCannotOpen = com_.errCannotOpen();
    state.errOverflow = com_.errOverflow();
    state.comPortNum = com_.comPortNum();
    state.driverLastError = com_.kel3D().lastError();
    state.sequenceError = sequence.error();
    // Read the state first: the reset clears the flags the message is chosen from.
    std::string text = CloneErrorText(state, com_.portInUse());
    lastLinkError_ = text;
    // An automatic operation cut short may leave the radio between values: the message says
    // so after its own text, which stays as it is.
    const std::string stopped = model_.StoppedOperationNote();
    if (!stopped.empty()) text += "\r\n\r\n" + stopped;
    lastCloneError_ = text;
    model_.RigOpFunc_ResetAll();
    ShowMessage(messageBox_, text);
}

void frmMain::saveData(clsCmcProfileIO& objProf) {
    objProf.setSection(kSettingsSection);
    objProf.saveData(kKeyComPort, TaggedValue::Integer(ComPortNo_));
    objProf.saveData(kKeyComAutoRelease, TaggedValue::Integer(ComAutoRelease_));
}

void frmMain::loadData(clsCmcProfileIO& objProf) {
    objProf.setSection(kSettingsSection);
    TaggedValue work = TaggedValue::Long(0);
    // A setting the menu could not have produced is treated as missing.
    if (!objProf.loadData(kKeyComPort, work, TaggedValue::Long(kMinComPort)) ||
        work.asLong() < kMinComPort || work.asLong() > kMaxComPort) {
        work = TaggedValue::Long(kMinComPort);
    }
    setComPortNo(static_cast<std::int16_t>(work.asLong()));
    if (!objProf.loadData(kKeyComAutoRelease, work, TaggedValue::Long(0)) || work.asLong() < 0 ||
        work.asLong() > kMaxAutoReleaseSeconds) {
        work = TaggedValue::Long(0);
    }
    setComAutoRelease(static_cast<std::int16_t>(work.asLong()));
}

void frmMain::Form_Initialize() {
    setComPortNo(kMinComPort);
    setComAutoRelease(0);
}

void frmMain::Form_Load() {
    if (controls_.window != nullptr) controls_.window->setCaption(kProgramTitle);
    if (controls_.lblTitle != nullptr) {
        controls_.lblTitle->setCaption(std::string(kProgramTitle) + "\r\n" + kProgramPurpose +
                                       "\r\n" + kProgramRights);
    }
    model_.RigOpFunc_FormResource();
    model_.RigOpFunc_FormLayout();
}

void frmMain::Form_Resize() {
    if (controls_.window != nullptr) {
        const std::int32_t width = controls_.window->clientWidth();
        const std::int32_t pixel = controls_.window->twipsPerPixelY();
        if (controls_.linSepa[0] != nullptr) controls_.linSepa[0]->setCoords(0, 0, width, 0);
        if (controls_.linSepa[1] != nullptr) {
            controls_.linSepa[1]->setCoords(0, pixel, width, pixel);
        }
    }
    if (controls_.linSepa[0] != nullptr) controls_.linSepa[0]->setColor(ColorRole::ButtonShadow);
    if (controls_.linSepa[1] != nullptr) controls_.linSepa[1]->setColor(ColorRole::Highlight3D);
    if (controls_.lblComBusy != nullptr) {
        controls_.lblComBusy->setCaption("");
        controls_.lblComBusy->MovePosition(kComBusyLeftTwips, kComBusyTopTwips);
    }
    model_.RigOpFunc_FormLayout();
}

void frmMain::Form_QueryUnload() {
    if (unloaded_) return;
    unloaded_ = true;
    com_.AllOver();
    com_.Form_Unload();
}

bool frmMain::OnConsoleKeyDown(std::int16_t keyCode, std::int16_t shiftMask) {
    if (!inputHeld_.empty()) {
        // The list may still be looked through; nothing that would change the radio goes.
        const bool acts = keyCode == kKeyLeft || keyCode == kKeyRight || keyCode == kKeyEnter ||
                          keyCode == kKeySeparator;
        return acts;
    }
    return ConsoleKey(keyCode, shiftMask);
}

bool frmMain::ConsoleKey(std::int16_t keyCode, std::int16_t shiftMask) {
    const std::int16_t step = (shiftMask & kShiftMaskShift) != 0 ? kStepShift : kStepSmall;
    IListBox* list = controls_.lboConsole;
    const auto row = static_cast<std::int16_t>(list != nullptr ? list->ListIndex() : -1);
    switch (keyCode) {
        case kKeyLeft:
            console_.UpDown(row, static_cast<std::int16_t>(-step));
            break;
        case kKeyRight:
            console_.UpDown(row, step);
            break;
        case kKeyEnter:
        case kKeySeparator:
            console_.EnterPushed(row);
            break;
        default:
            return false;
    }
    RunTaskNow();
    return true;
}

bool frmMain::OnWindowKeyDown(std::int16_t keyCode, std::int16_t /*shiftMask*/) {
    if (keyCode != kKeyF5) return false;
    if (inputHeld_.empty()) Reload();
    return true;
}

void frmMain::Reload() {
    model_.RigOpFunc_ClickCmd00(kReloadButton);
    RunTaskNow();
}

void frmMain::setInputHeld(std::string reason) {
    if (reason == inputHeld_) return;
    inputHeld_ = std::move(reason);
    if (inputHeldChanged_) inputHeldChanged_(inputHeld_);
}

void frmMain::OnConsoleGotFocus() {
    IListBox* list = controls_.lboConsole;
    if (list == nullptr || list->ListIndex() >= 0 || list->ListCount() == 0) return;
    list->setListIndex(0);
}

void frmMain::OnCommandClick(std::int16_t index) {
    if (!inputHeld_.empty()) return;
    model_.RigOpFunc_ClickCmd00(index);
    RunTaskNow();
}

void frmMain::PressEnterOn(std::int16_t item) {
    if (controls_.lboConsole != nullptr) controls_.lboConsole->setListIndex(item);
    ConsoleKey(kKeyEnter, 0);
}

void frmMain::RunTaskNow() {
    // What a key or click asked for goes to the radio now instead of on the next 50 ms
    // heartbeat. The heartbeat is the same one the timer runs: an after-command wait still
    // running, or a transaction in progress, holds the command back just the same.
    com_.timSolid_Timer();
}

void frmMain::OnCommandKeyPress(char keyAscii) {
    if (!hiddenKeys_.Type(keyAscii)) return;
    if (controls_.window != nullptr) controls_.window->setCaption(HiddenKeySequence::Caption());
}

void frmMain::OnMenuComPort(std::int16_t index) {
    if (!inputHeld_.empty()) {
        RefreshMenuChecks();
        return;
    }
    if (index < kMinComPort || index > kMaxComPort) return;
    setComPortNo(index);
}

void frmMain::OnMenuAutoRelease(std::int16_t index) {
    if (!inputHeld_.empty()) {
        RefreshMenuChecks();
        return;
    }
    if (index < 0 || index > kMaxAutoReleaseSeconds) return;
    setComAutoRelease(index);
}

void frmMain::OnMenuExit() {
    if (closeWindow_) {
        closeWindow_();
        return;
    }
    Form_QueryUnload();
}

}  // namespace qs
