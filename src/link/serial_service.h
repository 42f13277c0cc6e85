#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "link/clone_driver.h"
#include "link/link_hooks.h"
#include "platform/serial_port.h"
#include "platform/tick_source.h"
#include "platform/timer.h"

namespace qs {

class clsCmcKel3Sequence;

// The hidden serial port service: owns the port (`MsCom`), the 50 ms heartbeat `timSolid`
// and the clone driver `kel3D`. Every heartbeat feeds received bytes to the driver, runs its
// time-outs, runs the main window's `task`, and reacts to link errors.
class frmCom {
public:
    static constexpr std::int16_t kDefaultPortNum = 1;
    static constexpr std::int16_t kMinPortNum = 1;
    static constexpr std::int16_t kMaxPortNum = 10;
    static constexpr std::int32_t kDefaultBaud = 9600;
    static constexpr std::int32_t kHeartbeatMs = 50;
    static constexpr int kInBufferBytes = 32760;
    static constexpr int kOutBufferBytes = 1024;

    // Wires the port's events and the timer's handler to this service and resets it. The
    // timer stays disabled until start-up enables it (`timSolid().setEnabled(true)`).
    frmCom(ISerialPort& port, ITimer& timer, const ITickSource& clock);
    // Unhooks the port and the timer, which may outlive the service.
    ~frmCom();
    frmCom(const frmCom&) = delete;
    frmCom& operator=(const frmCom&) = delete;

    // Seams into the application, wired after construction; null means absent.
    void setMainTask(IMainTask* mainTask) { mainTask_ = mainTask; }
    void setCloneErrorReporter(ICloneErrorReporter* reporter) { errorReporter_ = reporter; }
    // The program's clone sequence, handed to the error message.
    void setSequence(clsCmcKel3Sequence* sequence) { sequence_ = sequence; }
    // Saves the settings; run by AllOver after the port is closed.
    void setSettingsSaver(std::function<void()> saver) { settingsSaver_ = std::move(saver); }

    // Closes the port, port 1 at 9600 bit/s, applies the line settings, clears the flags.
    void Reset();

    // Opens or closes the port; a failed opening sets errCannotOpen. Resets the driver.
    void setComOpen(bool open);
    bool comOpen() const { return MsCom_.portOpen(); }
    bool comSendEnable() const { return comOpen(); }

    // Accepts 1 to 10; other values are ignored.
    void setComPortNum(std::int16_t n);
    std::int16_t comPortNum() const { return comPortNum_; }
    void setComBaud(std::int32_t baud) { comBaud_ = baud; }
    std::int32_t comBaud() const { return comBaud_; }

    void setErrOverflow(bool on) { errOverflow_ = on; }
    bool errOverflow() const { return errOverflow_; }
    void setErrCannotOpen(bool on) { errCannotOpen_ = on; }
    bool errCannotOpen() const { return errCannotOpen_; }
    // The reason the platform gave for the last failed opening (empty when none).
    const std::string& openErrorText() const { return openErrorText_; }
    // When the last opening failed because another program has the device: who has it
    // ("/dev/ttyUSB0 is in use by qs71dr-cli (process 4121)"); empty otherwise.
    const std::string& portInUse() const { return portInUse_; }

    // True when the driver has a current error, or the port overflowed or could not open.
    bool totalError() const;

    // Closes the port, then saves the settings.
    void AllOver();

    // The heartbeat: run by the timer every 50 ms and at once when data arrives.
    void timSolid_Timer();
    // The port's event notification.
    void OnComm(CommEvent event);
    // Window unload: port closed, heartbeat off.
    void Form_Unload();

    // Bytes taken from the port since the program started. The cable echoes every byte sent,
    // so this counts every byte that was on the line in either direction.
    std::uint64_t bytesReceived() const { return bytesReceived_; }
    // A frame of `bytes` has been handed to the port (the driver tells).
    void NoteSent(std::size_t bytes);
    // Milliseconds until the frames handed to the port have all left it at the line speed
    // (10 bits a byte): until then the radio has not heard the last of them. 0 when none is
    // on its way, or once the cable has echoed every byte sent.
    std::int32_t LineBusyMs() const;

    clsCmcKel3Drv& kel3D() { return kel3D_; }
    const clsCmcKel3Drv& kel3D() const { return kel3D_; }
    ISerialPort& MsCom() { return MsCom_; }
    const ISerialPort& MsCom() const { return MsCom_; }
    ITimer& timSolid() { return timSolid_; }

    // The line settings text for a speed, e.g. "9600,N,8,1".
    static std::string SettingsText(std::int32_t baud);

private:
    void RunHeartbeat();

    ISerialPort& MsCom_;
    ITimer& timSolid_;
    const ITickSource& clock_;
    clsCmcKel3Drv kel3D_;

    std::int16_t comPortNum_ = kDefaultPortNum;
    std::int32_t comBaud_ = kDefaultBaud;
    bool errOverflow_ = false;
    bool errCannotOpen_ = false;
    std::string openErrorText_;
    std::string portInUse_;
    bool inHeartbeat_ = false;
    std::uint64_t bytesReceived_ = 0;
    std::int32_t lineFreeTick_ = 0;  // when the bytes handed to the port have left it
    mutable bool lineBusy_ = false;  // cleared once seen over, so a stale tick cannot wrap
    std::uint64_t echoOwedUntil_ = 0;  // bytesReceived_ once every sent byte has echoed

    IMainTask* mainTask_ = nullptr;
    ICloneErrorReporter* errorReporter_ = nullptr;
    clsCmcKel3Sequence* sequence_ = nullptr;
    std::function<void()> settingsSaver_;
};

}  // namespace qs
