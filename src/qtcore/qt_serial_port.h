#pragma once

#include <QElapsedTimer>
#include <QSerialPort>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>

#include "qtcore/port_bindings.h"
#include "platform/serial_port.h"

namespace qs::qt {

// The serial port on QtSerialPort. "COM n" is looked up in the bindings at each opening.
// Received data is held in Qt's buffer; when more than the input buffer size waits there the
// port reports a receive overflow, as a fixed-size driver buffer would. Arrivals are reported
// in batches, as a UART's FIFO or a USB adapter's latency timer would deliver them: the first
// data after a quiet spell at once; while data keeps coming, at most once per batch time,
// which starts at kMinBatchMs and doubles up to kMaxBatchMs for a long stream (a clone read).
// In between, the bytes wait in the driver and the program does not wake up for each one.
// A device that goes away while open (cable pulled, virtual radio ended) closes the port at
// once: the transaction in progress then fails by its time-out and the link shows its error
// message.
class QtSerialPort : public ISerialPort {
public:
    static constexpr int kDefaultInBufferBytes = 1024;
    static constexpr int kDefaultOutBufferBytes = 512;
    static constexpr int kMinBatchMs = 5;
    static constexpr int kMaxBatchMs = 40;

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
    bool portOpen() const override { return port_open_(); }

    int inBufferCount() const override;
    Bytes input() override;
    bool output(const Bytes& data) override;
    int outBufferCount() const override;
    bool clearOutBuffer() override;

    void setEventHandler(std::function<void(CommEvent)> handler) override {
        handler_ = std::move(handler);
    }

    // The device the current port number means; shown to the technician as a tooltip.
    std::string deviceName() const { return bindings_.DeviceFor(port_); }
    // Why the port last closed by itself (empty when it did not).
    std::string lostReason() const { return lostReason_; }

private:
    bool port_open_() const { return serial_.isOpen(); }
    bool ApplyLineSettings(const LineSettings& line, std::string* error);
    void OnReadyRead();
    // Stops Qt reading the line until the batch ends (a read buffer no larger than what it
    // holds makes QSerialPort stop watching the device).
    void HoldReceive();
    // The batch time ran out while data was held.
    void OnBatchEnd();
    // Takes everything the line holds now and reports it.
    void ReportReceive();
    void OnError(QSerialPort::SerialPortError code);
    void Notify(CommEvent event);

    const PortBindings& bindings_;
    QSerialPort serial_;
    std::int16_t port_ = 1;
    std::string settings_ = "9600,N,8,1";
    bool dtr_ = false;
    bool rts_ = false;
    int inBufferBytes_ = kDefaultInBufferBytes;
    int outBufferBytes_ = kDefaultOutBufferBytes;
    bool overflowReported_ = false;
    bool draining_ = false;
    QElapsedTimer sinceReport_;
    qint64 batchMs_ = kMinBatchMs;
    QTimer batchTimer_;
    std::string lostReason_;
    std::function<void(CommEvent)> handler_;
};

}  // namespace qs::qt
