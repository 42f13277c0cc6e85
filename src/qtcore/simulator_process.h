#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <string>

namespace qs::qt {

// The virtual radio qt71dr-sim as a child process. It prints the path of its pseudo-terminal
// on its first line; that device then stands for COM 1. Asked for its service monitor
// (--monitor PORT), it names the monitor's address on its second line. The child ends with
// the program, and also when the program dies without cleaning up.
class SimulatorProcess {
public:
    static constexpr int kStartTimeoutMs = 10000;

    SimulatorProcess() = default;
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    // Starts the program and waits for its device path (and, when `args` ask for the monitor,
    // for the monitor's address). False with `error` filled on failure.
    bool Start(const QString& program, const QStringList& args, std::string* error);
    void Stop();
    const QString& devicePath() const { return devicePath_; }
    // "TCPIP::127.0.0.1::PORT::SOCKET", empty without --monitor.
    const QString& monitorAddress() const { return monitorAddress_; }

    // True when `args` ask qt71dr-sim for its service monitor.
    static bool AsksForMonitor(const QStringList& args);
    bool running() const { return process_.state() != QProcess::NotRunning; }

    // Where the virtual radio's program is: beside this program, in the build tree, or on PATH.
    static QString FindProgram();

private:
    QProcess process_;
    // One line of the child's standard output, waiting until `deadline`; empty when none came.
    QString ReadLine(const QDeadlineTimer& deadline);

    QString devicePath_;
    QString monitorAddress_;
};

}  // namespace qs::qt
