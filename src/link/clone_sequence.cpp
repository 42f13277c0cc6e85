#include "link/clone_sequence.h"

#include "link/hex_text.h"
#include "link/serial_service.h"

namespace qs {

namespace {
// Body positions (from 1) of the identification answer that the checks read.
constexpr std::size_t kModelCodeAt = 4;
constexpr std::size_t kSubCodeAt = 6;
constexpr std::size_t kFormatByteAt = 43;
// Radios of this family report format 01; anything above is a newer layout this program
// does not know. 00 (an older layout) is read as usual.
const std::string kHighestKnownFormat = "01";

std::string HexOfBodyBytes(const Bytes& body, std::size_t position, std::size_t count) {
    if (body.size() < position - 1 + count) return "";
    const auto first = body.begin() + static_cast<std::ptrdiff_t>(position - 1);
    return BytesToHexText(Bytes(first, first + static_cast<std::ptrdiff_t>(count)));
}
}  // namespace

clsCmcKel3Sequence::clsCmcKel3Sequence(frmCom& com, clsCmcRadio& radio, const ITickSource& clock)
    : com_(com), radio_(radio), holdTick_(clock) {
    Reset();
    comPortNo_ = 1;
    setComHoldReload(0);
}

std::int16_t clsCmcKel3Sequence::easyCloneRead() {
    setOperation(kOpCloneRead);
    start();
    return 0;
}

std::int16_t clsCmcKel3Sequence::easySendE8NoAnswer(const std::string& spE8) {
    setOperation(kOpAdjust);
    e8HexStrToSend_ = spE8;
    start();
    return 0;
}

std::int16_t clsCmcKel3Sequence::easySendE8ReqAnswer(const std::string& spE8) {
    setOperation(kOpAdjust);
    e8HexStrToSend_ = spE8;
    e8AnsRequired_ = true;
    start();
    return 0;
}

void clsCmcKel3Sequence::easyReset(std::int16_t portNo) {
    Reset();
    comPortNo_ = portNo;
}

void clsCmcKel3Sequence::Reset() {
    com_.kel3D().Reset();
    com_.Reset();
    Standby();
}

void clsCmcKel3Sequence::Standby() {
    setOperation(kOpNone);
    step_ = 0;
    e8HexStrToSend_.clear();
}

void clsCmcKel3Sequence::start() {
    step_ = 0;
    task();
}

void clsCmcKel3Sequence::setOperation(std::int16_t op) {
    operation_ = op;
    e8AnsRequired_ = false;
}

void clsCmcKel3Sequence::setComHoldReload(std::int32_t milliseconds) {
    comHoldReload_ = milliseconds;
    holdTick_.setCounter(milliseconds);
}

const Bytes& clsCmcKel3Sequence::ansInfo() const {
    return com_.kel3D().ansInfo();
}

std::string clsCmcKel3Sequence::ansNameM() const {
    return HexOfBodyBytes(ansInfo(), kModelCodeAt, 2);
}

std::string clsCmcKel3Sequence::ansNameS() const {
    return HexOfBodyBytes(ansInfo(), kSubCodeAt, 2);
}

void clsCmcKel3Sequence::task() {
    const bool wasActive = operation_ != kOpNone;
    if (wasActive && !com_.kel3D().Running()) {
        bool showError = false;
        StepCode code = StepCode::Nothing;
        if (operation_ == kOpCloneRead) {
            code = ChooseCloneReadStep(showError);
        } else if (operation_ == kOpAdjust) {
            code = ChooseAdjustStep(showError);
        } else {
            // No such operation: finish rather than step forever.
            code = StepCode::Finish;
        }
        if (showError) {
            ShowError();
            code = StepCode::Finish;
        }
        const bool readDone = operation_ == kOpCloneRead && code == StepCode::Finish &&
                              !showError && CloneReadComplete();
        ++step_;
        Carry(code);
        if (readDone && observer_ != nullptr) observer_->OnCloneReadDone(*this);
    }

    if (wasActive) {
        holdTick_.setCounter(comHoldReload_);
    } else if (comHoldReload_ > 0 && holdTick_.counter() < 1 && com_.comOpen()) {
        Reset();
    }
}

clsCmcKel3Sequence::StepCode clsCmcKel3Sequence::ChooseCloneReadStep(bool& showError) {
    const bool driverFailed = com_.kel3D().lastError() != clsCmcKel3Drv::kErrNone;
    switch (step_) {
        case 0:
            return StepCode::Identify;
        case 1:
            if (driverFailed) {
                error_ = kErrDriver;
            } else {
                RunIdentificationChecks();
            }
            showError = error_ != kErrNone;
            return StepCode::Nothing;
        case 2:
        case 3:
            if (driverFailed) error_ = kErrDriver;
            showError = error_ != kErrNone;
            return step_ == 3 ? StepCode::CloneRead : StepCode::Nothing;
        case 4:
            showError = driverFailed;
            return StepCode::Nothing;
        default:
            showError = driverFailed;
            return StepCode::Finish;
    }
}

clsCmcKel3Sequence::StepCode clsCmcKel3Sequence::ChooseAdjustStep(bool& showError) {
    if (step_ == 0) return StepCode::Adjust;
    showError = com_.kel3D().lastError() != clsCmcKel3Drv::kErrNone;
    return StepCode::Finish;
}

bool clsCmcKel3Sequence::CloneReadComplete() const {
    // A read can also end without a driver error, for instance when a receive overflow
    // closed the port; only an image whose last byte arrived, with no error pending on the
    // port service, counts as read.
    const clsCmcKel3Drv& drv = com_.kel3D();
    return !com_.totalError() && drv.lastEeAdr() == drv.EndAddress() - 1;
}

void clsCmcKel3Sequence::RunIdentificationChecks() {
    // All three run in this order; a later failure overrides an earlier one.
    if (ansNameM() != radio_.radioNameM()) error_ = kErrModelCode;

    const std::string format = HexOfBodyBytes(ansInfo(), kFormatByteAt, 1);
    if (format > kHighestKnownFormat) error_ = kErrFormat;

    const std::string nameS = ansNameS();
    if (subNameCheck_ != nullptr && subNameCheck_->RigOpFunc_CheckSubNameLegal(nameS)) {
        radio_.setRadionameS(nameS);
    } else {
        error_ = kErrSubCode;
    }
}

void clsCmcKel3Sequence::PrepareLink() {
    clsCmcKel3Drv& drv = com_.kel3D();
    drv.setLastError(clsCmcKel3Drv::kErrNone);
    error_ = kErrNone;
    com_.setComPortNum(comPortNo_);
    com_.setComOpen(true);
}

void clsCmcKel3Sequence::Carry(StepCode code) {
    clsCmcKel3Drv& drv = com_.kel3D();
    switch (code) {
        case StepCode::Nothing:
            return;
        case StepCode::Identify:
            PrepareLink();
            drv.setWorkMode(clsCmcKel3Drv::kModeIdentify);
            drv.Send(HexTextToBytes("E0" + radio_.radioNameM() + "0000"));
            return;
        case StepCode::CloneRead:
            PrepareLink();
            drv.setWorkMode(clsCmcKel3Drv::kModeCloneRead);
            drv.setMyEep(&radio_.eepImage());
            drv.Send(HexTextToBytes("E2" + radio_.radioNameM() + radio_.radionameS()));
            return;
        case StepCode::Adjust:
            PrepareLink();
            drv.setWorkMode(clsCmcKel3Drv::kModeAdjust);
            drv.setWaitAnswer(e8AnsRequired_);
            drv.setRetryCount(kAdjustRetries);
            // Written ahead: the observer's journal has the command before the port does, and
            // a command it could not write is not sent at all (the operation ends unsent, as
            // when the driver refuses a frame).
            lastAdjustmentSent_ = false;
            if (drv.ReadyToSend() && observer_ != nullptr &&
                !observer_->OnAdjustmentSending(e8HexStrToSend_, e8AnsRequired_)) {
                return;
            }
            lastAdjustmentSent_ = drv.Send(HexTextToBytes("E8" + radio_.radioNameM() +
                                                          radio_.radionameS() + e8HexStrToSend_)) == 0;
            return;
        case StepCode::Finish:
            step_ = 0;
            Standby();
            return;
    }
}

void clsCmcKel3Sequence::ShowError() {
    com_.setComOpen(false);
    if (errorReporter_ != nullptr) errorReporter_->MsgBoxCloneErr(*this);
}

}  // namespace qs
