// A long bench session on one running program: 500 connect, read and adjust cycles against
// fresh virtual radios, every few cycles a faulty one. Nothing may pile up: no stuck
// operation, the port released each time, the console whole, and memory flat.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "faults.h"
#include "faults/program_on_sim.h"
#include "model/rig_k52t_op.h"
#include "shell/main_window.h"

#if defined(__SANITIZE_ADDRESS__)
#define QS_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QS_UNDER_SANITIZER 1
#endif
#endif

namespace qs {
namespace {

constexpr int kCycles = 500;
constexpr int kFirstMeasuredCycle = 50;
constexpr int kFaultEveryCycles = 7;
constexpr std::int16_t kPowerHiRow = 1;
constexpr int kPowerHiAddress = 168;
constexpr std::int16_t kReleaseSeconds = 1;
// Resident memory may move by allocator noise; only growth beyond this is a leak.
constexpr long kMaxGrowthKiB = 4 * 1024;

long ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long sizePages = 0;
    long residentPages = 0;
    if (!(statm >> sizePages >> residentPages)) return -1;
    return residentPages * (sysconf(_SC_PAGESIZE) / 1024);
}

// The faults sprinkled into the session, in turn.
qtsim::Faults NthFault(int n) {
    qtsim::Faults f;
    switch (n % 8) {
        case 0:
            f.noAnswer = true;
            break;
        case 1:
            f.silentAfterBlocks = 30 + n % 50;
            break;
        case 2:
            f.badChecksumBlock = 10 + n % 100;
            break;
        case 3:
            f.endCountOff = true;
            break;
        case 4:
            f.refusedSubCode = true;
            break;
        case 5:
            f.readingDigits = true;
            break;
        case 6:
            f.hangUpAfterBlocks = 5 + n % 60;
            break;
        default:
            f.noEcho = true;
            break;
    }
    return f;
}

TEST(Soak, FiveHundredConnectReadAdjustCyclesWithFaults) {
    ProgramOnSim run;
    run.app().main().OnMenuAutoRelease(kReleaseSeconds);
    long residentAtFirst = 0;
    int faultsSeen = 0;
    int adjustmentsSeen = 0;

    for (int cycle = 1; cycle <= kCycles; ++cycle) {
        const bool faulty = cycle % kFaultEveryCycles == 0;
        run.SwapRadio(UnpacedRadio(faulty ? NthFault(cycle / kFaultEveryCycles) : qtsim::Faults{}));
        run.ForgetRecords();
        const std::size_t messagesBefore = 0;

        const bool connected = run.ConnectAndWait();
        if (faulty) {
            ASSERT_FALSE(connected) << "cycle " << cycle;
            ASSERT_EQ(run.box().shown.size(), messagesBefore + 1) << "cycle " << cycle;
            ++faultsSeen;
        } else {
            ASSERT_TRUE(connected) << "cycle " << cycle << ": " << run.LastMessage();
            // Let the load's commands go out, then one key press must reach the radio.
            run.Run(6000);
            const int settingsBefore = run.radio().stats().settings;
            run.Step(kPowerHiRow, (cycle % 2 == 0) ? kKeyRight : kKeyLeft);
            for (int i = 0; i < 20 && run.radio().stats().settings == settingsBefore; ++i)
                run.Beat();
            ASSERT_EQ(run.radio().stats().settings, settingsBefore + 1) << "cycle " << cycle;
            EXPECT_EQ(run.radio().image().read(kPowerHiAddress),
                      run.app().radio().eepImage().ReadByte(kPowerHiAddress));
            ++adjustmentsSeen;
        }

        // Quiet line: the port is released and nothing is left running.
        run.Run(kReleaseSeconds * 1000 + 500);
        ASSERT_FALSE(run.cable().portOpen()) << "cycle " << cycle;
        ASSERT_FALSE(run.app().sequence().OpRunning()) << "cycle " << cycle;
        ASSERT_FALSE(run.app().com().kel3D().Running()) << "cycle " << cycle;
        ASSERT_EQ(run.ui().lboConsole.ListCount(), 17) << "cycle " << cycle;
        ASSERT_EQ(run.box().shown.size(), messagesBefore + (faulty ? 1u : 0u)) << "cycle " << cycle;

        if (cycle == kFirstMeasuredCycle) residentAtFirst = ResidentKiB();
    }

    const long residentAtLast = ResidentKiB();
    const long growth = residentAtLast - residentAtFirst;
    std::printf(
        "soak: resident %ld KiB after cycle %d, %ld KiB after cycle %d (%+ld KiB); "
        "%d adjustments, %d faults\n",
        residentAtFirst, kFirstMeasuredCycle, residentAtLast, kCycles, growth, adjustmentsSeen,
        faultsSeen);
    ::testing::Test::RecordProperty("resident_kib_cycle_50", std::to_string(residentAtFirst));
    ::testing::Test::RecordProperty("resident_kib_cycle_500", std::to_string(residentAtLast));
#ifndef QS_UNDER_SANITIZER
    // The address sanitizer holds freed memory in quarantine, so only plain builds judge it.
    EXPECT_LT(growth, kMaxGrowthKiB);
#endif
}

}  // namespace
}  // namespace qs
