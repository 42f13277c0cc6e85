// Backups, journals and line bytes come from outside: random and mangled input must be refused
// or described, never crash or read out of bounds (run under the sanitizers too).
#include <random>

#include <gtest/gtest.h>

#include "safety/backup_file.h"
#include "port/frame_text.h"
#include "safety/journal_file.h"
#include "port/serial_trace.h"
#include "safety_rig.h"

namespace qs::safety_test {
namespace {

constexpr int kRounds = 300;

Bytes RandomBytes(std::mt19937& rng, std::size_t maxLength) {
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<int> byte(0, 255);
    Bytes out(length(rng));
    for (auto& b : out) {
        // Plenty of frame marks, so frames of every shape turn up.
        const int v = byte(rng);
        b = static_cast<std::uint8_t>(v < 30 ? 0xFE : v < 60 ? 0xFD : v);
    }
    return out;
}

TEST(UntrustedInputTest, RandomFramesAreDescribedAndCutWithoutFault) {
    std::mt19937 rng(20261207);
    FakeClock clock;
    MemoryCable cable;
    cable.setEcho(false);
    MemoryLines lines;
    TracingSerialPort port(cable, clock, lines);
    port.setPortOpen(true);
    for (int i = 0; i < kRounds; ++i) {
        const Bytes bytes = RandomBytes(rng, 80);
        EXPECT_FALSE(DescribeFrame(bytes).empty());
        cable.deliver(bytes);
        EXPECT_EQ(port.input(), bytes);
    }
    port.setPortOpen(false);
    EXPECT_FALSE(lines.lines.empty());
}

TEST(UntrustedInputTest, MangledBackupsAreRefusedNotTrusted) {
    BackupRecord good;
    good.modelCode = "3017";
    good.subCode = "0102";
    good.dateTime = "d";
    good.image.assign(kBackupImageBytes, 0x5A);
    const std::string text = BackupText(good);
    std::mt19937 rng(7);
    std::uniform_int_distribution<std::size_t> at(0, text.size() - 1);
    std::uniform_int_distribution<int> ch(0, 255);
    int accepted = 0;
    for (int i = 0; i < kRounds; ++i) {
        std::string mangled = text;
        const std::size_t where = at(rng);
        mangled[where] = static_cast<char>(ch(rng));
        if (i % 3 == 0) mangled.resize(at(rng));
        BackupRecord back;
        std::string error;
        if (ParseBackup(mangled, back, error)) {
            ++accepted;
            // Only a change the format does not care about (hex case, the free date text).
            EXPECT_EQ(back.image, good.image);
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
    EXPECT_LT(accepted, kRounds);
    for (int i = 0; i < kRounds; ++i) {
        const Bytes bytes = RandomBytes(rng, 400);
        BackupRecord back;
        std::string error;
        EXPECT_FALSE(ParseBackup(std::string(bytes.begin(), bytes.end()), back, error));
        JournalEntry entry;
        ParseJournalLine(std::string(bytes.begin(), bytes.end()), entry);
    }
}

}  // namespace
}  // namespace qs::safety_test
