// The model's per-tick loop: connect, read, load, first readings, then the adjustment cycle
// (readings, sending changed items, Enter actions, automatic operations, parameter page).
#include <algorithm>

#include "console/console.h"
#include "link/hex_text.h"
#include "model/param_table.h"
#include "model/rig_k52t_op.h"

namespace qs {
namespace {

constexpr int kProgressCells = 32;
constexpr std::int16_t kLastLoadState = 9;
constexpr std::int16_t kCycleStart = kTaskStateCycleStart;
constexpr std::int16_t kCycleEnd = kTaskStateCycleEnd;
constexpr std::int16_t kDispParaState = kTaskStateParameterPage;
constexpr const char* kStartCommand = "023031";  // command 2, value 1

constexpr std::int32_t kRxTargetAdr = 174;
constexpr std::int32_t kTxTargetAdr = 175;
constexpr std::int32_t kTxFreqOffset = 4;

// The three bytes that mirror the balance value, in the order they are brought in line,
// with the command that sets each in the radio.
struct BalanceMirror {
    std::int32_t address;
    std::int16_t command;
};
constexpr BalanceMirror kBalanceMirrors[] = {{113, 18}, {99, 16}, {120, 27}};

std::string ProgressText(int filled) {
    filled = std::clamp(filled, 0, kProgressCells);
    return std::string(static_cast<std::size_t>(filled), 'o') +
           std::string(static_cast<std::size_t>(kProgressCells - filled), '.');
}

}  // namespace

void clsIndOp_RigK52T::task() {
    if (seq_.OpRunning()) {
        if (taskState_ == 2) ShowProgress(ReadProgressText());
        return;
    }
    if (taskState_ >= 3 && taskState_ <= kLastLoadState) ShowProgress(LoadProgressText());
    if (waitE8Pending_ > 0) {
        waitTick_.setCounter(waitE8Pending_);
        waitsStartedMs_ += waitE8Pending_;
        ++waitsStarted_;
        waitE8Pending_ = 0;
    }
    if (waitTick_.counter() > 0) return;

    for (;;) {
        std::int16_t next = static_cast<std::int16_t>((taskState_ + 1) % kTaskStateCount);
        bool advanced = RunState(next);
        if (advanced) {
            taskState_ = next;
            stateEntry_ = true;
        } else {
            stateEntry_ = false;
        }
        if (commError_) {
            errorReporter_.MsgBoxCloneErr(seq_);
            RigOpFunc_ResetAll();
            break;
        }
        if (seq_.OpRunning() || !advanced || taskState_ == kCycleEnd) break;
    }
    RefreshButtons();
}

bool clsIndOp_RigK52T::RunState(std::int16_t& next) {
    const std::int16_t s = taskState_;
    if (s == 0) return false;
    if (s == 1) return true;
    if (s == 2) {
        if (stateEntry_) {
            seq_.easyCloneRead();
            return false;
        }
        Load();
        return true;
    }
    if (s >= 3 && s <= 7) return ReadAdLevel(static_cast<std::int16_t>(s - 3), stateEntry_);
    if (s == 8) {
        if (!readOnly_) seq_.easySendE8NoAnswer(kStartCommand);
        return true;
    }
    if (s == 9 || s == 25) return SendLoop();
    if (s == kCycleStart) {
        readingsOn_ = reloadRequest_;
        reloadRequest_ = false;
        return true;
    }
    if (s >= 11 && s <= 15) {
        return !readingsOn_ || ReadAdLevel(static_cast<std::int16_t>(s - 11), stateEntry_);
    }
    if (s >= 16 && s <= 24) {
        return !readingsOn_ || ReadDaLevel(static_cast<std::int16_t>(s - 16), stateEntry_);
    }
    if (s == 26) {
        EnterStep();
        return true;
    }
    if (s == 27) return AutoOpStep();
    if (s == kCycleEnd) {
        if (dispParaRequest_) {
            StopAutoOp();
            next = kDispParaState;
        } else {
            next = kCycleStart;
        }
        return true;
    }
    // The parameter page.
    if (stateEntry_) eepObj_.DispPara(*controls_.txtDispPara);
    if (dispParaRequest_) return false;
    next = kCycleEnd;
    controls_.cmd00[2]->setFocus();
    return true;
}

void clsIndOp_RigK52T::Load() {
    idBytes_ = HexTextToBytes(radio_.radioNameM() + radio_.radionameS());
    // The image is the radio's own now, as read.
    holdings_.Loaded(image());

    for (std::int16_t i = 0; i < console_.ListCount(); ++i) {
        console_.ReadFromEe(i);
        if (i == lvTargetItem_) {
            console_.setValue(i, image().ReadByte(kRxTargetAdr));
        } else if (i == lvTargetItemTx_) {
            console_.setValue(i, image().ReadByte(kTxTargetAdr));
        }
        console_.setFlgChanged(i, !readOnly_);
    }
    reloadRequest_ = true;
    if (observer_ != nullptr) observer_->OnConnectionLoaded();

    rxFreqBase_ = RigK52TFunc_Obj_Address(kObjChannelRecords);
    powerTableAddr_ = RigK52TFunc_Obj_Address(kObjChannelPower);
    txFreqBase_ = rxFreqBase_ + kTxFreqOffset;

    const std::int16_t channels =
        std::min<std::int16_t>(RigK52TFunc_Obj_Number(kObjChannelRecords), kMaxChannels);
    chanCount_ = 0;
    for (std::int16_t c = 0; c < channels; ++c) {
        if (eepObj_.GetChAppear(rxFreqBase_, c))
            chanList_[static_cast<std::size_t>(chanCount_++)] = c;
    }
    if (chanCount_ == 0) {
        chanList_[0] = 0;
        chanCount_ = 1;
    }

    console_.setMax(chItem_, static_cast<std::int16_t>(chanCount_ - 1));
    console_.setValue(chItem_, console_.Min(chItem_));
    console_.setFlgChanged(chItem_, !readOnly_);
}

bool clsIndOp_RigK52T::SendLoop() {
    if (readOnly_) return true;
    if (startCommandDue_) {
        // The first sending of a connection that began read-only opens as Connect's does.
        startCommandDue_ = false;
        seq_.easySendE8NoAnswer(kStartCommand);
        return false;
    }
    for (std::int16_t i = 0; i < console_.ListCount(); ++i) {
        if (!console_.flgChanged(i)) continue;
        console_.setFlgChanged(i, false);
        console_.SendE8(i);
        if (i == balItem_) SendBalanceMirror();
        if (seq_.OpRunning()) return false;
    }
    return true;
}

void clsIndOp_RigK52T::SendBalanceMirror() {
    const std::int16_t v = console_.Value(balItem_);
    for (const BalanceMirror& mirror : kBalanceMirrors) {
        if (image().ReadByte(mirror.address) == v) continue;
        // The balance item goes out again on the next pass, followed by the next mirror.
        console_.setFlgChanged(balItem_, true);
        seq_.easySendE8NoAnswer(ByteToHex2(mirror.command) + ByteToAsciiHexText(v));
        image().WriteByte(mirror.address, static_cast<std::uint8_t>(v & 0xFF));
        return;
    }
}

void clsIndOp_RigK52T::EnterStep() {
    // Every automatic operation sends adjustment commands.
    if (readOnly_) return;
    for (std::int16_t i = 0; i < console_.ListCount(); ++i) {
        if (!console_.flgEnterOn(i) || console_.Event_Enter(i) < 0) continue;
        console_.setFlgEnterOn(i, false);
        console_.EnterExec(i);
        return;
    }
}

void clsIndOp_RigK52T::ConnectReadOnly() {
    RigOpFunc_ClickCmd00(0);
    readOnly_ = true;
}

bool clsIndOp_RigK52T::BeginAdjustment() {
    if (!readOnly_ || !CycleReached()) return false;
    readOnly_ = false;
    startCommandDue_ = true;
    for (std::int16_t i = 0; i < console_.ListCount(); ++i)
        console_.setFlgChanged(i, true);
    return true;
}

bool clsIndOp_RigK52T::Settled() {
    if (!CycleReached() || seq_.OpRunning() || AfterCommandWaitMs() > 0) return false;
    if (OperationRunning() || reloadRequest_ || dispParaRequest_) return false;
    for (std::int16_t i = 0; i < console_.ListCount(); ++i) {
        if (console_.flgChanged(i) || console_.flgEnterOn(i)) return false;
    }
    return true;
}

std::int32_t clsIndOp_RigK52T::AfterCommandWaitMs() {
    if (waitE8Pending_ > 0) return waitE8Pending_;
    return waitTick_.counter();
}

bool clsIndOp_RigK52T::Connected() const {
    const TaskState s = state();
    return s == TaskState::Cycle || s == TaskState::CycleEnd || s == TaskState::ParameterPage;
}

void clsIndOp_RigK52T::RefreshButtons() {
    const bool shielding = RigK52TProp_Shielding();
    const bool editing = RigK52TProp_EditEnabled();
    const bool dispPara = RigK52TProp_DispPara();

    controls_.fra01[0]->setVisible(shielding);
    const bool consoleWasVisible = controls_.fra01[1]->visible();
    controls_.fra01[1]->setVisible(editing);
    if (editing && !consoleWasVisible) controls_.lboConsole->setFocus();
    controls_.fra01[3]->setVisible(dispPara);

    controls_.cmd00[0]->setEnabled(!dispPara);
    controls_.cmd00[1]->setEnabled(editing);
    controls_.cmd00[2]->setEnabled(!shielding);
    controls_.cmd00[2]->setDefault(dispPara);
    controls_.cmd00[2]->setCancel(dispPara);
}

void clsIndOp_RigK52T::ShowProgress(const std::string& text) {
    // The task runs for every arrival of data during a read; the label is redrawn only on
    // the 32 steps at which its text changes.
    if (controls_.lblProgress->caption() != text) controls_.lblProgress->setCaption(text);
}

std::string clsIndOp_RigK52T::ReadProgressText() const {
    const std::int32_t end = driver_.EndAddress();
    if (end <= 0) return ProgressText(0);
    return ProgressText(
        static_cast<int>(static_cast<std::int64_t>(driver_.lastEeAdr()) * 33 / end));
}

std::string clsIndOp_RigK52T::LoadProgressText() const {
    return ProgressText((taskState_ - 2) * kProgressCells / 7);
}

}  // namespace qs
