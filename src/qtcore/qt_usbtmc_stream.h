#pragma once

#include <QObject>
#include <memory>
#include <string>

#include "platform/byte_stream.h"

namespace qs::qt {

// An instrument on a USBTMC device file (/dev/usbtmc0, Linux usbtmc driver).
//
// The driver is not a byte stream: each write() is one message, and a read() blocks until
// the instrument answers or the driver's own time-out runs out, with no way to poll for an
// answer first. Such a call on the program's one thread would freeze the window for seconds,
// so the file is used only by a helper thread of this stream: it opens the file, writes each
// line as its own message and, after each query (a line whose header ends in '?'), reads the
// answer. The driver's time-out is set to the instrument's answer time, so a missing answer
// frees the helper when the program gives up on it. Everything the helper learns (opened,
// bytes, failure) is posted to the event loop; none of it runs inside open, write or close.
// Closing never waits: the helper is told to stop and is left to end after its present call
// returns, closing the file itself.
class QtUsbTmcStream : public IByteStream {
public:
    QtUsbTmcStream(std::string device, int answerTimeoutMs);
    ~QtUsbTmcStream() override;

    void setHandlers(Handlers handlers) override { handlers_ = std::move(handlers); }
    void open() override;
    bool isOpen() const override { return open_; }
    bool write(const Bytes& data) override;
    void close() override;

    struct Shared;  // between the stream and its helper thread

    // What the helper posts, run on the stream's thread.
    void OnOpened();
    void OnReceived(const Bytes& data);
    void OnFailed(const std::string& reason);

private:
    std::string device_;
    int answerTimeoutMs_;
    QObject context_;  // receives what the helper posts; gone with the stream
    std::shared_ptr<Shared> shared_;
    bool active_ = false;
    bool open_ = false;
    Handlers handlers_;
};

}  // namespace qs::qt
