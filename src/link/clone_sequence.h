#pragma once

#include <cstdint>
#include <string>

#include "link/link_hooks.h"
#include "link/radio.h"
#include "link/tick.h"
#include "platform/bytes.h"
#include "platform/tick_source.h"

namespace qs {

class frmCom;

// Turns the driver's one-frame transactions into the two operations the program asks for:
// a clone read (identify, check, read the whole image) and one adjustment command. Opens
// the port for each operation and releases it after `comHoldReload` ms without traffic.
class clsCmcKel3Sequence {
public:
    // Operations.
    static constexpr std::int16_t kOpNone = 0;
    static constexpr std::int16_t kOpCloneRead = 2;
    static constexpr std::int16_t kOpAdjust = 4;

    // Sequence error codes.
    static constexpr std::int16_t kErrNone = 0;
    static constexpr std::int16_t kErrModelCode = 1;
    static constexpr std::int16_t kErrSubCode = 2;
    static constexpr std::int16_t kErrFormat = 3;
    static constexpr std::int16_t kErrDriver = 4;

    // Adjustment commands may be sent again this often when the answer does not come.
    static constexpr std::int16_t kAdjustRetries = 2;

    clsCmcKel3Sequence(frmCom& com, clsCmcRadio& radio, const ITickSource& clock);
    clsCmcKel3Sequence(const clsCmcKel3Sequence&) = delete;
    clsCmcKel3Sequence& operator=(const clsCmcKel3Sequence&) = delete;

    // Seams, wired after construction; null means absent. Without a sub-code check every
    // sub code is refused; without a reporter errors still close the port but show nothing.
    void setSubNameCheck(ISubNameCheck* check) { subNameCheck_ = check; }
    void setCloneErrorReporter(ICloneErrorReporter* reporter) { errorReporter_ = reporter; }
    void setObserver(ISequenceObserver* observer) { observer_ = observer; }

    std::int16_t easyCloneRead();
    std::int16_t easySendE8NoAnswer(const std::string& spE8);
    std::int16_t easySendE8ReqAnswer(const std::string& spE8);
    void easyReset(std::int16_t portNo);
    // Driver reset, port service reset (port closed), then Standby.
    void Reset();
    void Standby();
    void start();
    // One step of the running operation, then the automatic port release.
    void task();

    // Also true for an operation whose first frame still waits for the driver, so no caller
    // starts another on top of it.
    bool OpRunning() const { return step_ != 0 || operation_ != kOpNone; }
    std::int16_t error() const { return error_; }
    // The last adjustment command went to the port (its journal line written, the driver took
    // it); false when it was held back. Known as soon as easySendE8... returns.
    bool lastAdjustmentSent() const { return lastAdjustmentSent_; }
    const Bytes& ansInfo() const;
    std::string ansNameM() const;
    std::string ansNameS() const;

    std::int16_t ComPortNo() const { return comPortNo_; }
    void setComPortNo(std::int16_t n) { comPortNo_ = n; }
    std::int16_t Operation() const { return operation_; }
    // Also clears e8AnsRequired.
    void setOperation(std::int16_t op);
    const std::string& e8HexStrToSend() const { return e8HexStrToSend_; }
    void setE8HexStrToSend(std::string hex) { e8HexStrToSend_ = std::move(hex); }
    bool e8AnsRequired() const { return e8AnsRequired_; }
    void setE8AnsRequired(bool on) { e8AnsRequired_ = on; }
    // Stores the idle time (0 = never release) and restarts the hold countdown with it.
    void setComHoldReload(std::int32_t milliseconds);
    std::int32_t comHoldReload() const { return comHoldReload_; }

private:
    enum class StepCode { Nothing = 0, Identify = 1, CloneRead = 2, Adjust = 4, Finish = 6 };

    StepCode ChooseCloneReadStep(bool& showError);
    StepCode ChooseAdjustStep(bool& showError);
    void RunIdentificationChecks();
    bool CloneReadComplete() const;
    void PrepareLink();
    void Carry(StepCode code);
    void ShowError();

    frmCom& com_;
    clsCmcRadio& radio_;
    clsCmcTick holdTick_;
    ISubNameCheck* subNameCheck_ = nullptr;
    ICloneErrorReporter* errorReporter_ = nullptr;
    ISequenceObserver* observer_ = nullptr;

    std::int16_t comPortNo_ = 1;
    std::int16_t operation_ = kOpNone;
    std::string e8HexStrToSend_;
    bool e8AnsRequired_ = false;
    std::int32_t comHoldReload_ = 0;
    std::int16_t error_ = kErrNone;
    std::int16_t step_ = 0;
    bool lastAdjustmentSent_ = false;
};

}  // namespace qs
