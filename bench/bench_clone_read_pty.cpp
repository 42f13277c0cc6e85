// Clone read over a pseudo-terminal against qt71dr-sim at 9600 bit/s, through the real link
// code (serial port service, driver, clone sequence) on a termios port. Prints the wall time
// against the time the bytes need on the line, and the processor time the program used.
//
//   bench_clone_read_pty [--sim=PATH] [--runs=N]
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
#include "realtime_loop.h"

#ifndef QS_SIM_PROGRAM
#define QS_SIM_PROGRAM "qt71dr-sim"
#endif

namespace {

using namespace qs;
using namespace qs::bench;

constexpr int kLineBitsPerSecond = 9600;
constexpr int kBitsPerByte = 10;
constexpr double kReadLimitSeconds = 600;

struct SimProcess {
    pid_t pid = -1;
    std::string device;
};

// Starts the virtual radio and reads the device path it prints.
SimProcess StartSim(const std::string& program) {
    int out[2];
    SimProcess sim;
    if (pipe(out) != 0) return sim;
    sim.pid = fork();
    if (sim.pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
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

class SequenceTask : public IMainTask {
public:
    explicit SequenceTask(clsCmcKel3Sequence& seq) : seq_(seq) {}
    void task() override {
        seq_.task();
        if (seq_.OpRunning()) seq_.task();
    }

private:
    clsCmcKel3Sequence& seq_;
};

}  // namespace

int main(int argc, char** argv) {
    std::string program = QS_SIM_PROGRAM;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--sim=", 0) == 0) program = arg.substr(6);
    }
    const long runs = OptionValue(argc, argv, "runs", 1);

    SimProcess sim = StartSim(program);
    if (sim.device.empty()) {
        std::fprintf(stderr, "bench_clone_read_pty: could not start %s\n", program.c_str());
        StopSim(sim);
        return 1;
    }

    PosixSerialPort port;
    port.setDevice(1, sim.device);
    LoopTimer timer;
    RealClock clock;
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

    std::printf("clone read over a pseudo-terminal, qt71dr-sim at %d bit/s (%s)\n",
                kLineBitsPerSecond, sim.device.c_str());
    int status = 0;
    for (long run = 1; run <= runs; ++run) {
        const auto sentBefore = port.bytesWritten();
        const auto readBefore = port.bytesRead();
        const double wall0 = WallSeconds();
        const double cpu0 = ProcessCpuSeconds();
        seq.easyCloneRead();
        const bool ended = RunLoop(
            timer, &port, [&] { return !seq.OpRunning(); }, kReadLimitSeconds);
        const double wall = WallSeconds() - wall0;
        const double cpu = ProcessCpuSeconds() - cpu0;
        const auto sent = port.bytesWritten() - sentBefore;
        const auto received = port.bytesRead() - readBefore;
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
    }
    PrintNote("peak resident memory", static_cast<double>(PeakResidentKiB()) / 1024.0, "MiB");
    com.setComOpen(false);
    StopSim(sim);
    return status;
}
