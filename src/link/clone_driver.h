#pragma once

#include <cstdint>

#include "link/clone_frame.h"
#include "link/eeprom.h"
#include "link/tick.h"
#include "platform/bytes.h"
#include "platform/tick_source.h"

namespace qs {

class frmCom;

// Carries out one clone transaction at a time: sends a frame, waits for its echo and the
// radio's answer, checks the answer against the work mode, stores clone-read data in the
// memory image, and turns time-outs and bad answers into error codes (never exceptions).
class clsCmcKel3Drv {
public:
    // Work modes.
    static constexpr std::int16_t kModeNone = 0;
    static constexpr std::int16_t kModeIdentify = 1;
    static constexpr std::int16_t kModeCloneRead = 2;
    static constexpr std::int16_t kModeAdjust = 5;

    // Error codes (nowError, lastError).
    static constexpr std::int16_t kErrNone = 0;
    static constexpr std::int16_t kErrNoEcho = 1;
    static constexpr std::int16_t kErrNoAnswer = 2;
    static constexpr std::int16_t kErrBadAnswer = 3;
    static constexpr std::int16_t kErrBlockCount = 4;
    static constexpr std::int16_t kErrOutsideImage = 5;

    static constexpr std::int32_t kEchoTimeoutMs = 1000;
    static constexpr std::int32_t kAnswerTimeoutMs = 1200;
    static constexpr std::int16_t kDefaultEndAddress = 32112;
    // The port's transmit buffer must have this much room before a frame goes out.
    static constexpr int kMinFreeTxBytes = 257;

    explicit clsCmcKel3Drv(const ITickSource& clock);

    // The port service frames go out through; null means no port (nothing can be sent).
    void setMyObjCom(frmCom* com) { myObjCom_ = com; }
    frmCom* myObjCom() const { return myObjCom_; }
    // Where clone-read data goes; null means blocks cannot be stored.
    void setMyEep(clsCmcEeprom* eep) { myEep_ = eep; }

    // Stores the mode, empties varLastE8Answer, lastEeAdr 0, waitAnswer for modes 1 and 2.
    void setWorkMode(std::int16_t mode);
    std::int16_t workMode() const { return workMode_; }
    void setWaitAnswer(bool on) { waitAnswer_ = on; }
    bool waitAnswer() const { return waitAnswer_; }
    void setRetryCount(std::int16_t n) { retryCount_ = n; }
    std::int16_t retryCount() const { return retryCount_; }

    bool Running() const { return running_; }
    // Stores the code (a non-zero one also as lastError) and ends the transaction.
    void setNowError(std::int16_t code);
    std::int16_t nowError() const { return nowError_; }
    void setLastError(std::int16_t code) { lastError_ = code; }
    std::int16_t lastError() const { return lastError_; }

    const Bytes& ansInfo() const { return ansInfo_; }
    std::int32_t lastEeAdr() const { return lastEeAdr_; }
    std::int16_t EndAddress() const { return endAddress_; }
    const Bytes& varLastE8Answer() const { return varLastE8Answer_; }
    bool waitEcho() const { return workMode_ >= 1 && workMode_ <= 5; }

    // Frame layer.
    bool SendEnable() const;
    // RealSend would take a frame now: none is pending and the port has room for it.
    bool ReadyToSend() const { return transmitFrame_.empty() && SendEnable(); }
    // 0 when the frame went to the port, 1 when refused (nothing changes then).
    std::int16_t RealSend(const Bytes& data);
    std::int16_t Send(const Bytes& data);
    std::int16_t RetrySend();
    // Everything the port received since the last call (a byte string converts).
    void read(ByteView data);
    void ClearRxBuffer();

    // Echo and answer time-outs and retries; once per heartbeat.
    void task();
    // Ends the transaction, empties the receive buffer, nowError 0 (lastError kept).
    void Reset();

private:
    void EndTransaction();
    // What `read` does with bytes its short way does not take.
    [[gnu::noinline]] void ReadSteps(ByteView data);
    void OnEcho();
    void OnAnswer(const Bytes& body);
    bool CheckIdentifyAnswer(const Bytes& body);
    bool CheckDataBlock(const Bytes& body) const;
    bool StoreDataBlock(const Bytes& body);
    // E5 check; sets the count-mismatch flag when only the count is wrong.
    bool CheckCloneEnd(const Bytes& body);
    bool CheckAdjustAnswer(const Bytes& body) const;

    clsCmcTick waitTick_;
    frmCom* myObjCom_ = nullptr;
    clsCmcEeprom* myEep_ = nullptr;

    std::int16_t workMode_ = kModeNone;
    bool waitAnswer_ = false;
    std::int16_t retryCount_ = 0;
    std::int16_t retriesLeft_ = 0;
    bool running_ = false;
    bool sendReady_ = true;
    std::int16_t nowError_ = kErrNone;
    std::int16_t lastError_ = kErrNone;
    WaitState waitState_ = WaitState::None;

    Bytes transmitFrame_;
    Bytes lastData_;
    // The first command byte of the last adjustment frame; -1 when it had none.
    int adjustCommandCode_ = -1;
    CloneStreamCutter cutter_;
    // The answer body being handed over; kept to reuse its memory from frame to frame.
    Bytes rxBody_;
    // The data bytes of the block being stored; kept to reuse its memory.
    Bytes blockData_;

    Bytes ansInfo_;
    std::int32_t lastEeAdr_ = 0;
    std::int16_t endAddress_ = kDefaultEndAddress;
    Bytes varLastE8Answer_;
    std::uint8_t blockCounter_ = 0;
    bool countMismatch_ = false;
};

}  // namespace qs
