#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <string>

namespace qs::qt {

// The virtual radio qt71dr-sim as a child process. It prints the path of its pseudo-terminal
// on its first line; that device then stands for COM 1. The child ends with the program, and
// also when the program dies without cleaning up.
class SimulatorProcess {
public:
    static constexpr int kStartTimeoutMs = 10000;

    SimulatorProcess() = default;
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    // Starts the program and waits for its device path. False with `error` filled on failure.
    bool Start(const QString& program, const QStringList& args, std::string* error);
    void Stop();
    const QString& devicePath() const { return devicePath_; }
    bool running() const { return process_.state() != QProcess::NotRunning; }

    // Where the virtual radio's program is: beside this program, in the build tree, or on PATH.
    static QString FindProgram();

private:
    QProcess process_;
    QString devicePath_;
};

}  // namespace qs::qt
