#pragma once

#include <QSerialPort>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/serial_port.h"
#include "port/drain_watch.h"
#include "port/report_gate.h"
#include "qtcore/device_lock.h"
#include "qtcore/port_bindings.h"

namespace qs::qt {

// The serial port on QtSerialPort, for systems without the POSIX port (Windows). "COM n" is
// looked up in the bindings at each opening. Every arrival is reported (readyRead), as the
// classic control with a receive threshold of 1 does. Qt reads no more than the input buffer
// size and leaves the rest in the driver; a buffer that stays full (ReceiveRoom::kStaysFullMs)
// while the program takes nothing is reported as a receive overflow. Reports wait while a modal dialog is open (ReportGate). A device that
// goes away while open (cable pulled, virtual radio ended) closes the port at once: the
// transaction in progress then fails by its time-out and the link shows its error message.
// Bytes that do not leave within the drain bound are reported as TxStalled. While open, the
// port holds its device's lock (DeviceLock), as the POSIX port does.
class QtSerialPort : public ISerialPort {
public:
    static constexpr int kDefaultInBufferBytes = 1024;
    static constexpr int kDefaultOutBufferBytes = 512;
    // While reports are held for a dialog, how often the port looks whether it has closed.
    static constexpr int kHeldRecheckMs = 50;

    explicit QtSerialPort(const PortBindings& bindings);
    ~QtSerialPort() override;

    void setCommPort(std::int16_t port) override { port_ = port; }
    std::int16_t commPort() const override { return port_; }
    void setSettings(const std::string& settings) override { settings_ = settings; }
    std::string settings() const override { return settings_; }

    void setDtrEnable(bool on) override;
    void setRtsEnable(bool on) override;
    void setInBufferSize(int bytes) override;
    void setOutBufferSize(int bytes) override;
    int outBufferSize() const override { return outBufferBytes_; }

    bool setPortOpen(bool open, std::string* error = nullptr) override;
    bool portOpen() const override { return serial_.isOpen(); }
    std::string inUseBy() const override { return inUseBy_; }

    int inBufferCount() const override;
    Bytes input() override;
    bool output(const Bytes& data) override;
    int outBufferCount() const override;
    bool clearOutBuffer() override;

    void setEventHandler(std::function<void(CommEvent)> handler) override {
        gate_.setHandler(std::move(handler));
    }

    // The device the current port number means; shown to the technician as a tooltip.
    std::string deviceName() const { return bindings_.DeviceFor(port_); }
    // Why the port last failed by itself (empty when it did not since it opened).
    std::string lostReason() const { return lostReason_; }

private:
    bool ApplyLineSettings(const LineSettings& line, std::string* error);
    void OnReadyRead();
    void OnError(QSerialPort::SerialPortError code);
    void OnDrainCheck();
    void Offer(CommEvent event);
    void Close();

    const PortBindings& bindings_;
    QSerialPort serial_;
    std::int16_t port_ = 1;
    std::string settings_ = "9600,N,8,1";
    bool dtr_ = false;
    bool rts_ = false;
    int inBufferBytes_ = kDefaultInBufferBytes;
    int outBufferBytes_ = kDefaultOutBufferBytes;
    bool overflowReported_ = false;
    // Runs while the buffer is full and nothing was taken.
    QTimer fullTimer_;
    std::int64_t bytesHanded_ = 0;
    ReportGate gate_;
    QTimer heldTimer_;
    DrainWatch drain_;
    QTimer drainTimer_;
    std::string lostReason_;
    DeviceLock deviceLock_;
    std::string inUseBy_;
};

}  // namespace qs::qt
