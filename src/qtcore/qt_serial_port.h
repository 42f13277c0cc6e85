#pragma once

#include <QPointer>
#include <QSerialPort>
#include <QSocketNotifier>
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
// data after a quiet spell at once; after that the port stops watching the line and looks again
// after the batch time, which starts at kMinBatchMs and doubles while data keeps coming up to
// kMaxBatchMs. Meanwhile the bytes wait in the driver, and the program's own look at the port
// (inBufferCount) takes them as an application reading a driver's count would: a long stream
// (a clone read) is then taken by the program's heartbeat, with no wake-up of its own. The
// port watches the line again when its own look finds it quiet, when a frame is sent, and
// while the program handles a report.
// A device that goes away while open (cable pulled, virtual radio ended) closes the port at
// once: the transaction in progress then fails by its time-out and the link shows its error
// message.
class QtSerialPort : public ISerialPort {
public:
    static constexpr int kDefaultInBufferBytes = 1024;
    static constexpr int kDefaultOutBufferBytes = 512;
    static constexpr int kMinBatchMs = 5;
    // Longer than the program's 50 ms heartbeat, so that in a long stream the heartbeat's own
    // looks keep the port's look from coming due.
    static constexpr int kMaxBatchMs = 80;

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

    // Takes what waits in the driver first when the port is not watching the line.
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
    // Reads what the driver holds now into Qt's buffer, without waiting.
    void Collect();
    // Data came while the port was not watching (a look of the program's): it belongs to the
    // running batch, so the port's own look is put off by a whole batch time.
    void CollectHeld();
    // Stops or starts Qt watching the line. Stopped, the bytes wait in the driver.
    void Watch(bool on);
    // The port's own look at the end of a batch time.
    void OnBatchEnd();
    // Reports what has been collected, then stops watching until the next look.
    void ReportTaken();
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
    bool reporting_ = false;
    bool watching_ = true;
    // QSerialPort's own read notifier; without it, a one-byte read buffer stops the watching
    // after one more byte instead.
    QPointer<QSocketNotifier> readNotifier_;
    qint64 batchMs_ = kMinBatchMs;
    QTimer batchTimer_;
    std::string lostReason_;
    std::function<void(CommEvent)> handler_;
};

}  // namespace qs::qt
