#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "console/cons_ev.h"
#include "link/clone_driver.h"
#include "link/clone_sequence.h"
#include "link/link_hooks.h"
#include "link/radio.h"
#include "link/tick.h"
#include "model/operation_observer.h"
#include "model/radio_holdings.h"
#include "model/rig_k52t_eep.h"
#include "model/rig_ops.h"
#include "model/task_state.h"
#include "platform/alerts.h"
#include "platform/main_window_controls.h"
#include "platform/tick_source.h"

namespace qs {

class clsConsole;

// Everything the model operation class works with, each living as long as the program.
struct RigK52TParts {
    clsCmcKel3Sequence& sequence;  // every radio exchange goes through it
    const clsCmcKel3Drv& driver;   // the port service's driver: read progress, last answer
    clsCmcRadio& radio;            // identity texts and the memory image
    clsConsole& console;           // the adjustment items
    MainWindowControls controls;   // every pointer set (the window's own controls)
    const ITickSource& clock;      // for the wait after an adjustment command
    IBeeper& beeper;               // end of an automatic operation
    // The clone error message. Used first by task(), so it may be an object that is
    // constructed after the model (the main window, which itself calls the model).
    ICloneErrorReporter& errorReporter;
};

// The QT-71DR's adjustment: its 17 console items, the per-tick loop that connects, loads,
// reads and sends, the console callbacks and the automatic operations. One per program.
//
// The implementation is split by concern: rig_k52t_items.cpp (construction, item table,
// reset, parameter table), rig_k52t_layout.cpp (window), rig_k52t_task.cpp (task loop),
// rig_k52t_readings.cpp (live readings), rig_k52t_callbacks.cpp (console callbacks),
// rig_k52t_auto_ops.cpp (threshold capture, band-pass sweep, level bisection).
class clsIndOp_RigK52T final : public IRigOps, public ConsEv {
public:
    static constexpr int kTaskStateCount = 30;
    static constexpr int kMaxChannels = 40;
    // Where the RSSI capture stores its thresholds in the memory image.
    static constexpr std::int32_t kRssiS1Address = 169;
    static constexpr std::int32_t kRssiS3Address = 170;

    // Builds the item table at once (port 1), so the controls must already exist.
    explicit clsIndOp_RigK52T(RigK52TParts parts);
    ~clsIndOp_RigK52T() override;
    clsIndOp_RigK52T(const clsIndOp_RigK52T&) = delete;
    clsIndOp_RigK52T& operator=(const clsIndOp_RigK52T&) = delete;

    // IRigOps
    void RigOpFunc_ResetAll() override;
    bool RigK52TProp_Shielding() const override;
    bool RigK52TProp_EditEnabled() const override;
    bool RigK52TProp_DispPara() const override;
    void RigOpFunc_FormResource() override;
    void RigOpFunc_FormLayout() override;
    bool RigOpFunc_CheckSubNameLegal(const std::string& nameS) override;
    void RigOpFunc_SetComPortNo(std::int16_t portNo) override;
    TaggedValue RigOpFunc_ClickCmd00(std::int16_t Index) override;
    void task() override;
    std::string StoppedOperationNote() const override;
    // What the radio holds of the items, as the radio proved it: "the radio holds BPF T1 = 70
    // and BPF T2 = 74", and for a value sent since and not proved "Power(Hi): sent 150, not
    // confirmed; the radio held 200 before". Kept across a reset: a connection lost does not
    // make the radio forget.
    std::string HeldValuesText(const std::vector<std::int16_t>& items) const;
    // The same for the RSSI thresholds: "the radio holds RSSI S3 = 90 and S1 = 20".
    std::string HeldThresholdsText() const;
    const RadioHoldings& holdings() const { return holdings_; }
    // What became of every value sent since `mark`, item by item: "Power(Hi) is back at 200",
    // "the radio holds BPF T1 = 70 and BPF T2 = 74", "MOD: sent 50, not confirmed; the radio
    // held 40 before", joined by "; ". Empty when nothing was sent.
    // With HeldWords::Run, the run's end beside its start: values back where they were are left
    // out, the others say both ("the radio holds TX LVA = 192 (was 180)").
    enum class HeldWords { Step, Run };
    std::string HeldChangesText(const RadioHoldings::Mark& mark, HeldWords words) const;
    // The item whose value the memory image keeps at `address`, or the threshold's name
    // ("RSSI S3"); empty for neither.
    std::string NameAtAddress(std::int32_t address) const;
    bool SignedAt(std::int32_t address) const;

    // Parameter table of the memory image (object 2 channel records, 3 channel power).
    std::int16_t RigK52TFunc_Ptbl_Search(std::int16_t objectNo) const;
    std::int16_t RigK52TFunc_Obj_Address(std::int16_t objectNo) const;
    std::int16_t RigK52TFunc_Obj_Number(std::int16_t objectNo) const;
    std::int16_t RigK52TFunc_Obj_Size(std::int16_t objectNo) const;

    // ConsEv
    std::string ConsEv_Disp(clsConsole& objConsole, std::int16_t Index, std::int16_t evNo,
                            std::int16_t val) override;
    void ConsEv_SendE8(clsConsole& objConsole, std::int16_t Index, std::int16_t evNo,
                       std::int16_t val) override;
    void ConsEv_Enter(clsConsole& objConsole, std::int16_t Index, std::int16_t evNo,
                      std::int16_t val) override;
    void setWaitE8Required(std::int32_t milliseconds) override { waitE8Pending_ = milliseconds; }

    // Connect without the first sending: identification, clone read and load as Connect
    // does them, then the adjustment cycle takes its readings but sends no adjustment command
    // (neither the start command nor any item, and Enter starts nothing) until
    // BeginAdjustment. For reading a radio without changing it; the Connect button keeps its
    // own way.
    void ConnectReadOnly();
    // Lifts a read-only connection's restraint at the end of a cycle: the start command and
    // every item once, as Connect sends them after its load, then the connection is an
    // ordinary one. False, changing nothing, unless the connection is read-only and at the
    // cycle's end.
    bool BeginAdjustment();
    bool readOnly() const { return readOnly_; }

    // The state in words, for the front ends.
    TaskState state() const { return TaskStateOf(taskState_); }
    // Connected: the console is loaded and the cycle runs (or the parameter page is shown).
    bool Connected() const;
    // At the end of an adjustment cycle.
    bool CycleReached() const { return state() == TaskState::CycleEnd; }
    // An automatic operation (capture, sweep, level adjustment) is running.
    bool OperationRunning() const { return opState_ != 0; }
    // The last level adjustment of the item did not reach its target (its mark is left set).
    bool LevelAdjustFailed(LevelItem item) const { return lvaMark(static_cast<int>(item)); }
    // A level adjustment stopped by a driver (a procedure run) did not fail: its row no longer
    // says "(Auto Adjust Failed)".
    void ForgetLevelFailure(LevelItem item);
    // The RSSI capture reading for a threshold and waiting for Enter; None otherwise.
    RssiCapture rssiCapture() const;
    // The last raw value (0..255) of a live-reading row, -1 before its first reading.
    std::int16_t lastReading(ReadingGroup group, int index) const;
    // Readings answered since the program started, of either list; a driver that changed
    // something the readings follow waits for the next one to know it saw the change.
    std::uint32_t readingsTaken() const { return readingsTaken_; }

    // Nothing left to do: at the end of an adjustment cycle with no frame under way, no
    // after-command wait running, no changed item, no Enter, no automatic operation and no
    // reload or parameter page asked for. What a driver waits for after it set something.
    bool Settled();
    // Milliseconds left of the after-command wait; a wait asked for whose countdown has not
    // started yet counts whole. 0 when none runs.
    std::int32_t AfterCommandWaitMs();
    // The after-command waits started since the program started, in milliseconds: the time
    // the console's pacing alone asks for.
    std::int64_t afterCommandWaitsStartedMs() const { return waitsStartedMs_; }
    // How many such waits, one for each command that asked for one.
    std::uint32_t afterCommandWaitsStarted() const { return waitsStarted_; }
    // Stops a running automatic operation as any command button does before its own action.
    void StopOperation() { StopAutoOp(); }
    // Stores a threshold as the capture stores one (command and memory image), for a driver
    // that undoes a capture it could not finish. `which` None stores nothing.
    void PutBackThreshold(RssiCapture which, std::int16_t value);

    // The channel CH No. selects now, as its row shows it: the radio's channel number
    // (0-based) and its frequencies, none where the channel's record inhibits one.
    struct TestChannel {
        std::int16_t number = 0;
        std::optional<std::int32_t> rxHz;
        std::optional<std::int32_t> txHz;
    };
    TestChannel testChannel() const;
    // The console's own text for CH No. holding `val`: the channel's name as its row shows
    // it and its receive frequency (the transmit one when receive is inhibited), "01,
    // 146.520 MHz". What a run, its record and its report put beside the item's value, so
    // that "CH No. 0" and the console's "01" are seen to be the same channel.
    std::string ChannelValueText(std::int16_t val);

    // State, for the window and for tests.
    std::int16_t taskState() const { return taskState_; }
    bool stateEntry() const { return stateEntry_; }
    std::int16_t opState() const { return opState_; }
    bool commError() const { return commError_; }
    bool reloadRequest() const { return reloadRequest_; }
    bool dispParaRequest() const { return dispParaRequest_; }
    std::int16_t comPortNo() const { return comPortNo_; }
    const Bytes& idBytes() const { return idBytes_; }
    std::int16_t chanCount() const { return chanCount_; }
    std::int16_t chanList(int index) const;
    std::int32_t rxFreqBase() const { return rxFreqBase_; }
    std::int32_t txFreqBase() const { return txFreqBase_; }
    std::int32_t powerTableAddr() const { return powerTableAddr_; }
    std::int16_t adLast(int index) const { return adLast_.at(static_cast<std::size_t>(index)); }
    std::int16_t daLast(int index) const { return daLast_.at(static_cast<std::size_t>(index)); }
    bool lvaMark(int index) const { return lvaMark_.at(static_cast<std::size_t>(index)); }
    bool bpfSelect(int index) const { return bpfSelect_.at(static_cast<std::size_t>(index)); }
    bool bpfAll() const { return bpfAll_; }
    bool rssiS1Pass() const { return rssiS1Pass_; }
    std::int16_t chItem() const { return chItem_; }
    std::int16_t rssiItem() const { return rssiItem_; }
    std::int16_t bpfItem() const { return bpfItem_; }
    std::int16_t bpfSweepItem() const { return bpfSweepItem_; }
    std::int16_t balItem() const { return balItem_; }
    std::int16_t lvaItem() const { return lvaItem_; }
    std::int16_t lvTargetItem() const { return lvTargetItem_; }
    std::int16_t lvTargetItemTx() const { return lvTargetItemTx_; }
    clsIndEep_RigK52T& eepObj() { return eepObj_; }

    // Null (the default) for none; it must outlive the model or be unset first.
    void setOperationObserver(IOperationObserver* observer) { observer_ = observer; }
    IOperationObserver* operationObserver() const { return observer_; }

private:
    // Progress of the running automatic operation.
    struct OpWork {
        int sent = 0;
        bool rssiDone = false;
        int subStep = 0;
        int sweepIndex = 0;
        std::int16_t bestLevel = -1;
        std::int16_t bestFirst = 0;
        std::int16_t bestLast = 0;
        std::int16_t valueA = 0;
        std::int16_t levelA = 0;
        std::int16_t valueB = 0;
        std::int16_t levelB = 0;
        std::int16_t valueMid = 0;
        std::int16_t levelMid = 0;
        std::int16_t target = 0;
        std::array<std::int16_t, 3> saved{};
    };

    // rig_k52t_items.cpp
    void StopAutoOp();
    void BuildItemTable();
    clsCmcEeprom& image() { return radio_.eepImage(); }

    // rig_k52t_task.cpp
    bool RunState(std::int16_t& next);
    void Load();
    bool SendLoop();
    void SendBalanceMirror();
    void EnterStep();
    void RefreshButtons();
    // Writes the progress label when its text differs.
    void ShowProgress(const std::string& text);
    std::string ReadProgressText() const;
    std::string LoadProgressText() const;

    // rig_k52t_readings.cpp
    bool ReadAdLevel(std::int16_t index, bool send);
    bool ReadDaLevel(std::int16_t index, bool send);
    // The two lists differ only in their codes, last values, list box and row texts.
    enum class ReadingList { Ad, Da };
    bool ReadLevel(ReadingList list, std::int16_t index, bool send);
    bool AutoOpStep();

    // rig_k52t_callbacks.cpp
    std::string ChannelRow(std::int16_t Index, std::int16_t val);
    // The channel's name as its row shows it: "01" for channel 0.
    std::string ChannelName(std::int16_t ch);
    TestChannel ChannelAt(std::int16_t val) const;

    // rig_k52t_auto_ops.cpp
    void GoToOpState(std::int16_t state);
    bool RssiLevelStep();
    bool BpfSweepStep();
    bool SweepReadingTurn(std::int16_t item);
    bool AutoAdjustStep();
    bool LevelReading(std::int16_t& level);
    void SetSelectedLevelItems(std::int16_t value);
    void SetSelectedLevelWaits(std::int32_t milliseconds);
    void SendThreshold(std::int16_t command, std::int32_t address, std::int16_t value);
    void NoteBisectionStep(std::int16_t level);
    void NoteLevelAdjustEnd(bool ok);

    clsCmcKel3Sequence& seq_;
    const clsCmcKel3Drv& driver_;
    clsCmcRadio& radio_;
    clsConsole& console_;
    MainWindowControls controls_;
    IBeeper& beeper_;
    ICloneErrorReporter& errorReporter_;
    clsIndEep_RigK52T eepObj_;
    clsCmcTick waitTick_;

    std::int16_t comPortNo_ = 1;
    std::int16_t taskState_ = 0;
    bool stateEntry_ = true;
    bool commError_ = false;
    std::int16_t opState_ = 0;
    bool reloadRequest_ = false;
    bool readingsOn_ = false;
    bool dispParaRequest_ = false;
    bool readOnly_ = false;
    bool startCommandDue_ = false;
    Bytes idBytes_;
    std::int32_t waitE8Pending_ = 0;
    std::int16_t layoutDone_ = 0;

    std::int16_t chItem_ = 0;
    std::int16_t rssiItem_ = 0;
    std::int16_t bpfItem_ = 0;
    std::int16_t bpfSweepItem_ = 0;
    std::int16_t balItem_ = 0;
    std::int16_t lvaItem_ = 0;
    std::int16_t lvTargetItem_ = 0;
    std::int16_t lvTargetItemTx_ = 0;

    std::array<std::int16_t, kMaxChannels + 1> chanList_{};
    std::int16_t chanCount_ = 0;
    std::int32_t rxFreqBase_ = 0;
    std::int32_t txFreqBase_ = 0;
    std::int32_t powerTableAddr_ = 0;

    std::array<std::int16_t, 6> adLast_{};
    std::array<std::int16_t, 10> daLast_{};
    std::array<std::int16_t, 6> adCode_{};
    std::array<std::int16_t, 10> daCode_{};

    bool rssiEnter_ = false;
    bool rssiS1Pass_ = false;
    std::array<bool, 3> bpfSelect_{};
    bool bpfAll_ = false;
    std::array<bool, 3> lvaSelect_{};
    std::array<bool, 3> lvaMark_{};
    OpWork opWork_;
    IOperationObserver* observer_ = nullptr;
    std::uint32_t readingsTaken_ = 0;
    RadioHoldings holdings_;
    std::int64_t waitsStartedMs_ = 0;
    std::uint32_t waitsStarted_ = 0;
};

}  // namespace qs
