#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/serial_port.h"

namespace qs {

// An in-memory serial port. By default it behaves like the cloning cable: every byte the
// program writes comes straight back into its receive buffer. A test plays the radio with
// `deliver`, reads what the program wrote from `writes()`, and can make opening fail or
// pretend the transmit buffer is filling up. A peer callback sees every write, so a virtual
// radio can be joined to the cable (switch the echo off when the peer echoes itself).
class MemoryCable : public ISerialPort {
public:
    enum class RaiseEvent { No, Yes };

    // ISerialPort
    void setCommPort(std::int16_t port) override;
    std::int16_t commPort() const override { return commPort_; }
    void setSettings(const std::string& settings) override;
    std::string settings() const override { return settings_; }
    void setDtrEnable(bool on) override { dtr_ = on; }
    void setRtsEnable(bool on) override { rts_ = on; }
    void setInBufferSize(int bytes) override { inBufferSize_ = bytes; }
    void setOutBufferSize(int bytes) override { outBufferSize_ = bytes; }
    int outBufferSize() const override { return outBufferSize_; }
    bool setPortOpen(bool open, std::string* error = nullptr) override;
    bool portOpen() const override { return open_; }
    int inBufferCount() const override { return static_cast<int>(rx_.size()); }
    Bytes input() override;
    bool output(const Bytes& data) override;
    int outBufferCount() const override { return outBufferCount_; }
    bool clearOutBuffer() override;
    void setEventHandler(std::function<void(CommEvent)> handler) override;

    // Playing the radio: bytes arrive in the receive buffer, optionally announced with the
    // Receive event as a real port would. A closed port receives nothing (and closing drops
    // what was received). A peer that answers from inside its callback should deliver
    // without raising the event, since the program is still inside its write then.
    void deliver(const Bytes& data, RaiseEvent raise = RaiseEvent::No);
    // Raises any event code, e.g. a receive overflow or a framing error.
    void raise(CommEvent event);

    // Behaviour switches.
    void setEcho(bool on) { echo_ = on; }
    // When set, opening fails with this reason (as for a port that does not exist).
    void setOpenFailure(std::string reason) { openFailure_ = std::move(reason); }
    void clearOpenFailure() { openFailure_.clear(); }
    // Pretends this many bytes are still waiting to go out.
    void setOutBufferCount(int bytes) { outBufferCount_ = bytes; }
    // Makes clearOutBuffer report failure on an open port.
    void setClearOutFails(bool on) { clearOutFails_ = on; }
    // Handed every write; the echo still happens unless switched off.
    void setPeer(std::function<void(const Bytes&)> peer) { peer_ = std::move(peer); }

    // What the program did.
    const std::vector<Bytes>& writes() const { return writes_; }
    // Every byte written, in order, as one string.
    Bytes allWritten() const;
    void clearWrites() { writes_.clear(); }
    int openCalls() const { return openCalls_; }
    int closeCalls() const { return closeCalls_; }
    int clearOutCalls() const { return clearOutCalls_; }
    bool dtrEnable() const { return dtr_; }
    bool rtsEnable() const { return rts_; }
    int inBufferSize() const { return inBufferSize_; }
    // The port number and settings in force at each successful opening.
    const std::vector<std::int16_t>& openedPorts() const { return openedPorts_; }
    const std::vector<std::string>& openedSettings() const { return openedSettings_; }
    int setCommPortCalls() const { return setCommPortCalls_; }
    int setSettingsCalls() const { return setSettingsCalls_; }

private:
    std::int16_t commPort_ = 1;
    std::string settings_ = "9600,N,8,1";
    bool dtr_ = false;
    bool rts_ = false;
    int inBufferSize_ = 1024;
    int outBufferSize_ = 512;
    int outBufferCount_ = 0;
    bool open_ = false;
    bool echo_ = true;
    bool clearOutFails_ = false;
    std::string openFailure_;
    Bytes rx_;
    std::vector<Bytes> writes_;
    std::function<void(CommEvent)> handler_;
    std::function<void(const Bytes&)> peer_;
    int openCalls_ = 0;
    int closeCalls_ = 0;
    int clearOutCalls_ = 0;
    int setCommPortCalls_ = 0;
    int setSettingsCalls_ = 0;
    std::vector<std::int16_t> openedPorts_;
    std::vector<std::string> openedSettings_;
};

}  // namespace qs
