#include "link/serial_service.h"

#include <algorithm>

#include "link/clone_sequence.h"

namespace qs {

frmCom::frmCom(ISerialPort& port, ITimer& timer, const ITickSource& clock)
    : MsCom_(port), timSolid_(timer), clock_(clock), kel3D_(clock) {
    kel3D_.setMyObjCom(this);
    MsCom_.setEventHandler([this](CommEvent event) { OnComm(event); });
    timSolid_.setInterval(kHeartbeatMs);
    timSolid_.setHandler([this] { timSolid_Timer(); });
    Reset();
}

frmCom::~frmCom() {
    MsCom_.setEventHandler(nullptr);
    timSolid_.setHandler(nullptr);
}

std::string frmCom::SettingsText(std::int32_t baud) {
    return std::to_string(baud) + ",N,8,1";
}

void frmCom::Reset() {
    setComOpen(false);
    comPortNum_ = kDefaultPortNum;
    comBaud_ = kDefaultBaud;
    MsCom_.setDtrEnable(true);
    MsCom_.setRtsEnable(true);
    MsCom_.setInBufferSize(kInBufferBytes);
    MsCom_.setOutBufferSize(kOutBufferBytes);
    errCannotOpen_ = false;
    errOverflow_ = false;
    openErrorText_.clear();
    portInUse_.clear();
}

void frmCom::setComOpen(bool open) {
    const bool alreadyOpen = open && MsCom_.portOpen();
    if (open && !alreadyOpen) {
        MsCom_.setCommPort(comPortNum_);
        MsCom_.setSettings(SettingsText(comBaud_));
    }
    // Every step is tried even if an earlier one fails; the outcome is judged at the end.
    // Emptying the transmit buffer drops stale bytes when the port opens or closes. On a port
    // that stays open the buffer holds frames this program has just sent and the port has
    // not yet put on the line (a real port writes them out later, from its event loop), so
    // it is left alone: every frame handed to the port reaches the radio.
    bool failed = !alreadyOpen && !MsCom_.clearOutBuffer();
    if (MsCom_.portOpen() != open) {
        std::string reason;
        if (!MsCom_.setPortOpen(open, &reason)) {
            failed = true;
            if (open) {
                openErrorText_ = reason;
                portInUse_ = MsCom_.inUseBy();
            }
        }
    }
    if (failed && open) {
        MsCom_.setPortOpen(false);
        errCannotOpen_ = true;
    }
    kel3D_.Reset();
}

void frmCom::setComPortNum(std::int16_t n) {
    if (n < kMinPortNum || n > kMaxPortNum) return;
    comPortNum_ = n;
}

bool frmCom::totalError() const {
    return kel3D_.nowError() != clsCmcKel3Drv::kErrNone || errOverflow_ || errCannotOpen_;
}

void frmCom::AllOver() {
    setComOpen(false);
    if (settingsSaver_) settingsSaver_();
}

void frmCom::timSolid_Timer() {
    // A modal message box inside this handler may let the timer or the port fire again;
    // each run must finish before the next begins, so a nested run is skipped (received
    // bytes wait in the port for the next one).
    if (inHeartbeat_) return;
    inHeartbeat_ = true;
    RunHeartbeat();
    inHeartbeat_ = false;
}

void frmCom::RunHeartbeat() {
    if (MsCom_.inBufferCount() > 0) {
        const Bytes received = MsCom_.input();
        bytesReceived_ += received.size();
        // The cable echoes each byte as it leaves: once the echo of everything sent is back,
        // the line is free, however much faster than its nominal speed the line ran.
        if (lineBusy_ && bytesReceived_ >= echoOwedUntil_) lineBusy_ = false;
        kel3D_.read(received);
    }
    kel3D_.task();
    if (mainTask_ != nullptr) mainTask_->task();
    if (totalError() && errorReporter_ != nullptr && sequence_ != nullptr) {
        errorReporter_->MsgBoxCloneErr(*sequence_);
    }
    if (totalError() && comOpen()) setComOpen(false);
}

void frmCom::NoteSent(std::size_t bytes) {
    constexpr std::int64_t kBitsPerByte = 10;
    constexpr std::int64_t kMsPerSecond = 1000;
    const std::int32_t now = clock_.GetTickCount();
    // Bytes queue behind those still leaving; rounded up to the next millisecond.
    const std::int32_t from = LineBusyMs() > 0 ? lineFreeTick_ : now;
    const std::int64_t bits = static_cast<std::int64_t>(bytes) * kBitsPerByte * kMsPerSecond;
    const std::int64_t ms = comBaud_ > 0 ? (bits + comBaud_ - 1) / comBaud_ : 0;
    lineFreeTick_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(from) +
                                              static_cast<std::uint32_t>(ms));
    echoOwedUntil_ = (lineBusy_ ? std::max(echoOwedUntil_, bytesReceived_) : bytesReceived_) + bytes;
    lineBusy_ = true;
}

std::int32_t frmCom::LineBusyMs() const {
    if (!lineBusy_) return 0;
    const auto left = static_cast<std::int32_t>(static_cast<std::uint32_t>(lineFreeTick_) -
                                                static_cast<std::uint32_t>(clock_.GetTickCount()));
    if (left > 0) return left;
    lineBusy_ = false;
    return 0;
}

void frmCom::OnComm(CommEvent event) {
    switch (event) {
        case CommEvent::Receive:
            if (MsCom_.inBufferCount() > 0) timSolid_Timer();
            return;
        case CommEvent::RxOver:
            errOverflow_ = true;
            setComOpen(false);
            return;
        case CommEvent::TxStalled:
            // The frame cannot reach the radio, so its echo will not come either: the driver
            // fails now with the no-echo error instead of at the end of the echo time-out, and
            // a frame that awaits no answer, which has no time-out, fails at all. The next
            // heartbeat shows the message and closes the port.
            kel3D_.setNowError(clsCmcKel3Drv::kErrNoEcho);
            return;
        case CommEvent::Break:
        case CommEvent::CtsTimeout:
        case CommEvent::DsrTimeout:
        case CommEvent::Frame:
        case CommEvent::Overrun:
        case CommEvent::CdTimeout:
        case CommEvent::RxParity:
        case CommEvent::TxFull:
        case CommEvent::DcbError:
            kel3D_.ClearRxBuffer();
            return;
        default:
            return;
    }
}

void frmCom::Form_Unload() {
    setComOpen(false);
    timSolid_.setEnabled(false);
}

}  // namespace qs
