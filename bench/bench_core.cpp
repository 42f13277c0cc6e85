// The whole core (Application with every program-wide object) on fakes, joined to the
// virtual radio in memory with no line pacing:
//   1. Connect to editing enabled, on the fake clock: the time the program takes against
//      the bound set by the protocol's own waits (one 50 ms heartbeat per awaited answer
//      and the after-command wait of every setting sent), plus the processor time it costs.
//   2. Key press to adjustment command on the wire, 200 steps: a key runs the heartbeat at
//      once, so the latency is the measured processing of the key up to the write (were the
//      frame left for a later heartbeat, the time to it, the press falling at a random point
//      of the 50 ms period, would be added); median and 99th percentile against 5 ms.
//   3. Idle processor use with the console open and the readings off, in real time (the
//      heartbeat runs every 50 ms of wall time), and the peak resident memory.
//
//   bench_core [--idle-seconds=60] [--steps=200]
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

#include "bench_figures.h"
#include "console/console.h"
#include "faults/program_on_sim.h"
#include "model/rig_k52t_op.h"
#include "shell/main_window.h"

namespace {

using namespace qs;
using namespace qs::bench;

constexpr double kHeartbeatMs = 50.0;
constexpr double kKeyToWireBoundMs = 5.0;
constexpr std::uint8_t kCmdAdjust = 0xE8;
constexpr std::uint8_t kReadingCommand = 0x03;
constexpr std::size_t kCommandByteAt = 9;  // FE FE EE EF E8 model(2) sub(2) command
constexpr std::int16_t kPowerHiRow = 1;
constexpr double kIdleCpuBoundPercent = 1.0;
constexpr double kPeakMemoryBoundMiB = 64.0;

bool AwaitsAnswer(const Bytes& frame) {
    if (frame.size() <= kCommandByteAt) return frame.size() > 4;  // E0, E2
    if (frame[4] != kCmdAdjust) return true;
    return frame[kCommandByteAt] == kReadingCommand;
}

// The after-command wait the console asks for after this setting frame (0 for none).
double WaitAfter(const Bytes& frame, clsConsole& console) {
    if (frame.size() <= kCommandByteAt || frame[4] != kCmdAdjust) return 0;
    const std::int16_t command = frame[kCommandByteAt];
    for (std::int16_t i = 0; i < console.ListCount(); ++i) {
        if (console.E8Command(i) == command && console.Event_SendE8(i) < 0)
            return console.WaitAfterE8(i);
    }
    return 0;
}

void ConnectFigure(ProgramOnSim& run) {
    run.ForgetRecords();
    const auto start = run.clock().GetTickCount();
    const double cpu0 = ProcessCpuSeconds();
    const double wall0 = WallSeconds();
    run.app().main().OnCommandClick(ProgramOnSim::kConnectButton);
    std::size_t framesBefore = 0;
    for (int beat = 0; beat < 100000 && !run.EditEnabled() && run.box().shown.empty(); ++beat) {
        framesBefore = run.cable().writes().size();
        run.Beat();
    }
    const double cpu = ProcessCpuSeconds() - cpu0;
    const double wall = WallSeconds() - wall0;
    if (!run.EditEnabled()) {
        std::printf("connect failed: %s\n", run.LastMessage().c_str());
        return;
    }
    const double tookMs = run.clock().GetTickCount() - start;

    // Each frame is taken up on a heartbeat of its own, and a setting's wait starts on the
    // heartbeat after it went out; frames of the heartbeat that enabled editing do not count.
    double boundMs = 0;
    int answered = 0;
    int settings = 0;
    for (std::size_t i = 0; i < framesBefore; ++i) {
        const Bytes& frame = run.cable().writes()[i];
        boundMs += kHeartbeatMs;
        if (AwaitsAnswer(frame)) {
            ++answered;
        } else {
            boundMs += WaitAfter(frame, run.app().console());
            ++settings;
        }
    }
    std::printf("connect: %d frames awaiting an answer, %d settings sent before editing\n",
                answered, settings);
    PrintFigure("connect to editing enabled (program time)", tookMs, boundMs, "ms");
    PrintNote("  processor time to run it", cpu * 1000, "ms");
    PrintNote("  wall time to run it on the fake clock", wall * 1000, "ms");
}

void KeyToWireFigure(ProgramOnSim& run, int steps) {
    using Clock = std::chrono::steady_clock;
    std::mt19937 random(71);
    std::uniform_int_distribution<int> phase(0, static_cast<int>(kHeartbeatMs) - 1);

    std::vector<double> latencies;
    std::vector<double> processing;
    for (int step = 0; step < steps; ++step) {
        run.Run(300);  // past the previous command's wait
        run.ForgetRecords();
        const int offsetMs = phase(random);
        const auto keyStart = Clock::now();
        run.Step(kPowerHiRow, step % 2 == 0 ? kKeyRight : kKeyLeft);
        const double keyMs =
            std::chrono::duration<double, std::milli>(Clock::now() - keyStart).count();
        if (!run.cable().writes().empty()) {
            // The key ran the heartbeat itself: the latency is the key's own processing.
            latencies.push_back(keyMs);
            processing.push_back(keyMs);
            continue;
        }
        int beats = 0;
        double processingMs = 0;
        while (run.cable().writes().empty() && beats < 40) {
            const auto before = Clock::now();
            run.Beat();
            // The whole heartbeat that wrote the frame counts: an upper bound of the work
            // between the key and the write.
            processingMs = std::chrono::duration<double, std::milli>(Clock::now() - before).count();
            ++beats;
        }
        if (run.cable().writes().empty()) continue;
        latencies.push_back((kHeartbeatMs - offsetMs) + (beats - 1) * kHeartbeatMs + processingMs);
        processing.push_back(processingMs);
    }
    std::printf("key press to adjustment command on the wire: %zu of %d steps\n", latencies.size(),
                steps);
    PrintFigure("key to wire, median", Percentile(latencies, 50), kKeyToWireBoundMs, "ms");
    PrintFigure("key to wire, 99th percentile", Percentile(latencies, 99), kKeyToWireBoundMs, "ms");
    PrintNote("  of which processing, median", Percentile(processing, 50) * 1000, "us");
    PrintNote("  of which processing, 99th percentile", Percentile(processing, 99) * 1000, "us");
}

void IdleFigure(ProgramOnSim& run, int seconds) {
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::milliseconds(static_cast<int>(kHeartbeatMs));
    auto next = Clock::now() + period;
    const double cpu0 = ProcessCpuSeconds();
    const double wall0 = WallSeconds();
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
        std::this_thread::sleep_until(next);
        next += period;
        run.Beat();
    }
    const double cpu = ProcessCpuSeconds() - cpu0;
    const double wall = WallSeconds() - wall0;
    std::printf("idle with the console open and the readings off, %d s of real time\n", seconds);
    PrintFigure("idle processor use", 100.0 * cpu / wall, kIdleCpuBoundPercent, "%");
}

}  // namespace

int main(int argc, char** argv) {
    const int idleSeconds = static_cast<int>(OptionValue(argc, argv, "idle-seconds", 60));
    const int steps = static_cast<int>(OptionValue(argc, argv, "steps", 200));

    ProgramOnSim run;
    ConnectFigure(run);
    run.Run(6000);  // the load's settings go out and the first readings are taken
    KeyToWireFigure(run, steps);
    IdleFigure(run, idleSeconds);
    PrintFigure("peak resident memory (core + virtual radio)",
                static_cast<double>(PeakResidentKiB()) / 1024.0, kPeakMemoryBoundMiB, "MiB");
    return 0;
}
