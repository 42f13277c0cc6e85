#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/bytes.h"

namespace qs {

// Event codes reported by a serial port, numbered as the classic serial communications
// control numbers them, so the port service can react by code.
enum class CommEvent : int {
    Send = 1,
    Receive = 2,
    Cts = 3,
    Dsr = 4,
    Cd = 5,
    Ring = 6,
    Eof = 7,
    Break = 1001,
    CtsTimeout = 1002,
    DsrTimeout = 1003,
    Frame = 1004,
    Overrun = 1006,
    CdTimeout = 1007,
    RxOver = 1008,
    RxParity = 1009,
    TxFull = 1010,
    DcbError = 1011,
    // Not one of the classic control's codes: bytes handed to the port did not leave for the
    // line within the port's drain bound (an adapter that takes nothing any more).
    TxStalled = 1101,
};

// One serial port as the radio link needs it. Implemented on a POSIX terminal (on QtSerialPort
// where there is none) for the real program and by an in-memory cable in tests.
class ISerialPort {
public:
    virtual ~ISerialPort() = default;

    // Port number n ("COM n"); the implementation decides which device that means.
    virtual void setCommPort(std::int16_t port) = 0;
    virtual std::int16_t commPort() const = 0;
    // Line settings text such as "9600,N,8,1"; used at the next opening.
    virtual void setSettings(const std::string& settings) = 0;
    virtual std::string settings() const = 0;

    virtual void setDtrEnable(bool on) = 0;
    virtual void setRtsEnable(bool on) = 0;
    virtual void setInBufferSize(int bytes) = 0;
    virtual void setOutBufferSize(int bytes) = 0;
    virtual int outBufferSize() const = 0;

    // Opens or closes the port. Returns false when the change failed; `error` then says why
    // in words a technician can act on. Closing a closed port succeeds.
    virtual bool setPortOpen(bool open, std::string* error = nullptr) = 0;
    virtual bool portOpen() const = 0;
    // When the last opening failed because another program has the device: who has it,
    // "/dev/ttyUSB0 is in use by qs71dr-cli (process 4121)"; empty otherwise.
    virtual std::string inUseBy() const { return {}; }

    // Bytes received and not yet taken.
    virtual int inBufferCount() const = 0;
    // Takes every received byte.
    virtual Bytes input() = 0;
    // Queues bytes for sending; false when the port is closed or refused them.
    virtual bool output(const Bytes& data) = 0;
    // Bytes queued and not yet on the line.
    virtual int outBufferCount() const = 0;
    // Discards queued bytes. On a closed port there is nothing to discard and it succeeds.
    virtual bool clearOutBuffer() = 0;

    // Called, on the program's one thread, when data arrives or the line reports an error.
    virtual void setEventHandler(std::function<void(CommEvent)> handler) = 0;
};

}  // namespace qs
