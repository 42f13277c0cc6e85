// Clone read over a pseudo-terminal against qt71dr-sim at 9600 bit/s, through the real link
// code (serial port service, driver, clone sequence) on the program's own serial port and
// heartbeat timer in a Qt event loop. Prints the wall time against the time the bytes need on
// the line, and the processor time the program used.
//
//   bench_clone_read_pty [--sim=PATH] [--runs=N] [--arrival=PATTERN]
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bench_figures.h"
#include "link/clone_sequence.h"
#include "link/link_hooks.h"
#include "link/radio.h"
#include "link/serial_service.h"
#include "qtcore/posix_serial_port.h"
#include "qtcore/qt_timer.h"

#ifndef QS_SIM_PROGRAM
#define QS_SIM_PROGRAM "qt71dr-sim"
#endif

namespace {

using namespace qs;
using namespace qs::bench;
using qs::qt::PosixSerialPort;

constexpr int kLineBitsPerSecond = 9600;
constexpr int kBitsPerByte = 10;
constexpr double kReadLimitSeconds = 600;

struct SimProcess {
    pid_t pid = -1;
    std::string device;
};

// Starts the virtual radio and reads the device path it prints.
SimProcess StartSim(const std::string& program, const std::string& arrival) {
    int out[2];
    SimProcess sim;
    if (pipe(out) != 0) return sim;
    sim.pid = fork();
    if (sim.pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        if (arrival.empty()) {
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        } else {
            execl(program.c_str(), program.c_str(), "--arrival", arrival.c_str(),
                  static_cast<char*>(nullptr));
        }
        _exit(127);
    }
    close(out[1]);
    char c = 0;
    while (read(out[0], &c, 1) == 1 && c != '\n')
        sim.device.push_back(c);
    close(out[0]);
    return sim;
}

void StopSim(SimProcess& sim) {
    if (sim.pid <= 0) return;
    kill(sim.pid, SIGTERM);
    int status = 0;
    waitpid(sim.pid, &status, 0);
    sim.pid = -1;
}

class AcceptSubCode : public ISubNameCheck {
public:
    bool RigOpFunc_CheckSubNameLegal(const std::string&) override { return true; }
};

class CountErrors : public ICloneErrorReporter {
public:
    void MsgBoxCloneErr(clsCmcKel3Sequence&) override { ++count; }
    int count = 0;
};

// The sequence's step as the main window runs it; ends the event loop when the read is over.
class SequenceTask : public IMainTask {
public:
    explicit SequenceTask(clsCmcKel3Sequence& seq) : seq_(seq) {}
    void task() override {
        seq_.task();
        if (seq_.OpRunning()) seq_.task();
        if (!seq_.OpRunning() && loop != nullptr) loop->quit();
    }
    QEventLoop* loop = nullptr;

private:
    clsCmcKel3Sequence& seq_;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::string program = QS_SIM_PROGRAM;
    std::string arrival;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--sim=", 0) == 0) program = arg.substr(6);
        if (arg.rfind("--arrival=", 0) == 0) arrival = arg.substr(10);
    }
    const long runs = OptionValue(argc, argv, "runs", 1);

    SimProcess sim = StartSim(program, arrival);
    if (sim.device.empty()) {
        std::fprintf(stderr, "bench_clone_read_pty: could not start %s\n", program.c_str());
        StopSim(sim);
        return 1;
    }

    qs::qt::PortBindings bindings;
    bindings.Bind(1, sim.device);
    PosixSerialPort port(bindings);
    qs::qt::QtTimer timer;
    qs::qt::SystemTickSource clock;
    frmCom com(port, timer, clock);
    clsCmcRadio radio;
    radio.setRadioNameM("3017");
    radio.setRadionameS("0102");
    clsCmcKel3Sequence seq(com, radio, clock);
    AcceptSubCode subCheck;
    CountErrors errors;
    SequenceTask mainTask(seq);
    seq.setSubNameCheck(&subCheck);
    seq.setCloneErrorReporter(&errors);
    com.setCloneErrorReporter(&errors);
    com.setSequence(&seq);
    com.setMainTask(&mainTask);
    timer.setEnabled(true);

    std::printf("clone read over a pseudo-terminal, qt71dr-sim at %d bit/s, arrival %s (%s)\n",
                kLineBitsPerSecond, arrival.empty() ? "byte" : arrival.c_str(),
                sim.device.c_str());
    int status = 0;
    for (long run = 1; run <= runs; ++run) {
        const PosixSerialPort::Counters before = port.counters();
        const double wall0 = WallSeconds();
        const double cpu0 = ProcessCpuSeconds();
        seq.easyCloneRead();
        QEventLoop loop;
        mainTask.loop = &loop;
        bool ended = true;
        QTimer::singleShot(static_cast<int>(kReadLimitSeconds * 1000), &loop, [&] {
            ended = false;
            loop.quit();
        });
        loop.exec();
        mainTask.loop = nullptr;
        const double wall = WallSeconds() - wall0;
        const double cpu = ProcessCpuSeconds() - cpu0;
        const auto sent = port.counters().bytesWritten - before.bytesWritten;
        const auto received = port.counters().bytesRead - before.bytesRead;
        const int wakeUps = port.counters().wakeUps - before.wakeUps;
        const int reports = port.counters().reports - before.reports;
        if (!ended || errors.count != 0 || com.kel3D().lastError() != 0) {
            std::fprintf(stderr, "run %ld: the read did not complete (driver error %d)\n", run,
                         com.kel3D().lastError());
            status = 1;
            break;
        }
        const double lineSeconds =
            static_cast<double>((sent + received) * kBitsPerByte) / kLineBitsPerSecond;
        const double receiveLineSeconds =
            static_cast<double>(received * kBitsPerByte) / kLineBitsPerSecond;
        std::printf("run %ld: %lld bytes sent, %lld received (echo included), last address %d\n",
                    run, static_cast<long long>(sent), static_cast<long long>(received),
                    com.kel3D().lastEeAdr());
        PrintFigure("clone read wall time vs line time", wall, lineSeconds, "s");
        PrintFigure("clone read wall time vs receive line time", wall, receiveLineSeconds, "s");
        PrintFigure("processor time during the read", cpu, wall, "s");
        std::printf("port wake-ups of its own %d, reports %d, over %.1f s\n", wakeUps, reports,
                    wall);
    }
    PrintNote("peak resident memory", static_cast<double>(PeakResidentKiB()) / 1024.0, "MiB");
    com.setComOpen(false);
    StopSim(sim);
    return status;
}
