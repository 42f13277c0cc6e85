#include "link/clone_driver.h"

#include "link/serial_service.h"

namespace qs {

namespace {
constexpr std::int16_t kSent = 0;
constexpr std::int16_t kRefused = 1;
// Position of the first command byte in the data of an adjustment frame:
// E8, model code (2), sub code (2), command.
constexpr std::size_t kAdjustCommandIndex = 5;
}  // namespace

clsCmcKel3Drv::clsCmcKel3Drv(const ITickSource& clock) : waitTick_(clock) {
    Reset();
}

void clsCmcKel3Drv::setWorkMode(std::int16_t mode) {
    workMode_ = mode;
    varLastE8Answer_.clear();
    lastEeAdr_ = 0;
    waitAnswer_ = (mode == kModeIdentify || mode == kModeCloneRead);
    // A block-count mismatch belongs to the read it happened in, not to every later one.
    countMismatch_ = false;
}

void clsCmcKel3Drv::setNowError(std::int16_t code) {
    nowError_ = code;
    if (code != kErrNone) lastError_ = code;
    EndTransaction();
}

void clsCmcKel3Drv::EndTransaction() {
    waitState_ = WaitState::None;
    transmitFrame_.clear();
    running_ = false;
    retryCount_ = 0;
    sendReady_ = true;
}

void clsCmcKel3Drv::Reset() {
    EndTransaction();
    ClearRxBuffer();
    setNowError(kErrNone);
}

void clsCmcKel3Drv::ClearRxBuffer() {
    cutter_.Clear();
}

bool clsCmcKel3Drv::SendEnable() const {
    if (!sendReady_ || myObjCom_ == nullptr || !myObjCom_->comSendEnable()) return false;
    const ISerialPort& port = myObjCom_->MsCom();
    return port.outBufferSize() - port.outBufferCount() >= kMinFreeTxBytes;
}

std::int16_t clsCmcKel3Drv::RealSend(const Bytes& data) {
    if (!ReadyToSend()) return kRefused;
    lastData_ = data;
    transmitFrame_ = BuildCloneFrame(data);
    if (workMode_ == kModeAdjust) {
        adjustCommandCode_ = data.size() > kAdjustCommandIndex ? data[kAdjustCommandIndex] : -1;
    }
    // Bytes left from an earlier frame must not be mistaken for this frame's echo.
    ClearRxBuffer();
    // A write the port refuses simply never echoes; the echo time-out reports it.
    myObjCom_->MsCom().output(transmitFrame_);
    myObjCom_->NoteSent(transmitFrame_.size());
    sendReady_ = false;
    waitState_ = WaitState::Echo;
    waitTick_.setCounter(kEchoTimeoutMs);
    running_ = true;
    if (!waitAnswer_) EndTransaction();
    return kSent;
}

std::int16_t clsCmcKel3Drv::Send(const Bytes& data) {
    const std::int16_t result = RealSend(data);
    retriesLeft_ = retryCount_;
    return result;
}

std::int16_t clsCmcKel3Drv::RetrySend() {
    if (retriesLeft_ < 1) return kRefused;
    EndTransaction();
    const std::int16_t result = RealSend(lastData_);
    --retriesLeft_;
    return result;
}

void clsCmcKel3Drv::task() {
    if (waitState_ == WaitState::Echo && waitTick_.counter() < 1) {
        setNowError(kErrNoEcho);
        return;
    }
    if (waitState_ == WaitState::Answer && waitTick_.counter() < 1) {
        if (RetrySend() == kRefused) setNowError(kErrNoAnswer);
    }
}

void clsCmcKel3Drv::read(ByteView data) {
    // Kept apart from the stepping loop so that this, the commonest case, pays for no more
    // than its own few instructions (no saved registers, no view kept in memory).
    if (waitState_ == WaitState::Answer && cutter_.TakeFrameBytes(data)) return;
    ReadSteps(data);
}

void clsCmcKel3Drv::ReadSteps(ByteView data) {
    // The cutter consumes the read by moving the view's front, so a long read is never moved.
    ByteView rest = data;
    while (!rest.empty()) {
        switch (cutter_.Step(waitState_, transmitFrame_, rest, rxBody_)) {
            case CloneStreamCutter::Found::Echo:
                OnEcho();
                break;
            case CloneStreamCutter::Found::Answer:
                OnAnswer(rxBody_);
                break;
            case CloneStreamCutter::Found::Nothing:
                break;
        }
    }
}

void clsCmcKel3Drv::OnEcho() {
    waitState_ = WaitState::Answer;
    waitTick_.setCounter(kAnswerTimeoutMs);
}

}  // namespace qs
