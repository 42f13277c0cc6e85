#pragma once

#include <QSocketNotifier>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/serial_port.h"
#include "port/drain_watch.h"
#include "port/receive_batching.h"
#include "port/receive_room.h"
#include "port/report_gate.h"
#include "qtcore/device_lock.h"
#include "qtcore/port_bindings.h"
#include "qtcore/qt_timer.h"

namespace qs::qt {

// The serial port on a POSIX terminal device that it owns: its own descriptor, read notifier
// and timers, nothing of another library's. "COM n" is looked up in the bindings at each
// opening. Received bytes are read only as far as the input buffer has room; the rest waits in
// the driver, and a receive overflow is reported only for bytes really lost (ReceiveRoom).
// When to report arrivals and when to leave them to the program's own looks is the batching
// rule's (ReceiveBatching); reports wait while a modal dialog is open (ReportGate). A hang-up
// (a read of nothing, EIO, or a device that went away) closes the port at once: the
// transaction in progress then fails by its time-out and the link shows its error message,
// and lostReason says what happened. Bytes that do not leave within the drain bound are
// reported as TxStalled. While open, the port holds its device's lock (DeviceLock): another
// program, this one's second copy included, is refused it at once and told who has it.
class PosixSerialPort : public ISerialPort {
public:
    static constexpr int kDefaultInBufferBytes = 1024;
    static constexpr int kDefaultOutBufferBytes = 512;

    // What the port did, for tests and benchmarks.
    struct Counters {
        std::int64_t bytesRead = 0;
        std::int64_t bytesWritten = 0;  // handed to the device
        int wakeUps = 0;                // notifier activations and own timers
        int reports = 0;                // reports handed to the program
    };

    explicit PosixSerialPort(const PortBindings& bindings);
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

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
    bool portOpen() const override { return fd_ >= 0; }
    std::string inUseBy() const override { return inUseBy_; }

    // What the port holds and, while it does not watch the line, what waits in the driver; a
    // look that changes nothing.
    int inBufferCount() const override;
    Bytes input() override;
    bool output(const Bytes& data) override;
    // What the port holds plus what the driver has not yet put on the line.
    int outBufferCount() const override;
    bool clearOutBuffer() override;

    void setEventHandler(std::function<void(CommEvent)> handler) override {
        gate_.setHandler(std::move(handler));
    }

    // The device the current port number means; shown to the technician as a tooltip.
    std::string deviceName() const { return bindings_.DeviceFor(port_); }
    // Why the port last failed by itself (empty when it did not since it opened).
    std::string lostReason() const { return lostReason_; }
    const Counters& counters() const { return counters_; }
    // Where the driver's count of lost bytes comes from; the terminal's own by default.
    // Tests stand in for a driver that keeps one.
    void setLostByteCounter(std::function<std::optional<std::int64_t>(int fd)> counter) {
        lostCounter_ = std::move(counter);
    }

private:
    enum class ReadResult { Open, HungUp };

    // Reads what the driver holds into the port's buffer, until it has no more or the buffer
    // no room.
    ReadResult ReadAvailable();
    // Whether bytes were lost since the last look; reports the loss once.
    void LookForLoss();
    // Writes what the port holds for the line, as far as the driver takes it.
    void Flush();
    void OnReadable();
    void OnWritable();
    void OnLookDue();
    void OnDrainCheck();
    void Apply(const ReceiveBatching::Plan& plan);
    // While reports are held for a dialog the port does not watch the line: it looks now and
    // then, so that the driver never fills and an overflow is seen.
    void HoldForDialog();
    void Report();
    bool Full() const { return static_cast<std::int64_t>(rx_.size()) >= inBufferBytes_; }
    std::optional<std::int64_t> LostCount() const;
    // The device went away: what was read goes to the program, then the port closes.
    void Lost(const std::string& reason);
    void Close();

    const PortBindings& bindings_;
    std::int16_t port_ = 1;
    std::string settings_ = "9600,N,8,1";
    bool dtr_ = false;
    bool rts_ = false;
    int inBufferBytes_ = kDefaultInBufferBytes;
    int outBufferBytes_ = kDefaultOutBufferBytes;

    int fd_ = -1;
    bool lost_ = false;
    DeviceLock deviceLock_;
    std::string inUseBy_;
    std::unique_ptr<QSocketNotifier> readNotifier_;
    std::unique_ptr<QSocketNotifier> writeNotifier_;
    QTimer lookTimer_;
    QTimer drainTimer_;
    Bytes rx_;
    Bytes tx_;
    bool overflowPending_ = false;  // a loss seen and not yet reported

    SystemTickSource clock_;
    ReceiveBatching batching_{clock_};
    ReceiveRoom room_{clock_};
    std::function<std::optional<std::int64_t>(int)> lostCounter_;
    DrainWatch drain_;
    ReportGate gate_;
    std::string lostReason_;
    Counters counters_;
};

}  // namespace qs::qt
