#pragma once

#include <QByteArray>
#include <QString>

namespace qs::qt::testing {

// A pseudo-terminal: the test holds the master end and the port under test opens the slave
// device by name, as it would a cable.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master_ >= 0; }
    const QString& slavePath() const { return slavePath_; }
    bool Write(const QByteArray& data);
    // Writes all of `data`, waiting while the line is full (the port has not taken what came
    // before); false when it stays full for `timeoutMs` in all.
    bool WriteAll(const QByteArray& data, int timeoutMs = 20000);
    // Everything the port has written so far (non-blocking).
    QByteArray ReadAvailable();
    // Hangs up: closes both ends held here, as a pulled cable would.
    void HangUp();
    // Closes the master end only: the far end of the line is gone.
    void CloseMaster();
    // The kernel's hang-up of the slave device (as an unplugged USB adapter gets); false when
    // this process may not (it needs CAP_SYS_ADMIN).
    bool VirtualHangUp();
    // Stops or restarts output on the line (the port's writes then stay queued).
    void StopOutput(bool stop);

private:
    int master_ = -1;
    int slave_ = -1;
    QString slavePath_;
};

}  // namespace qs::qt::testing
