// The safety net around the whole program connected to the virtual radio: backup and journal
// written and read back, a backup folder that fails, going back to the values read at Connect,
// and comparing with a backup.
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "builtin_image.h"
#include "safety/backup_file.h"
#include "safety/journal_file.h"
#include "safety_rig.h"
#include "shell/main_window.h"

namespace qs::safety_test {
namespace {

namespace builtin = qtsim::builtin;
using ::testing::HasSubstr;

constexpr int kPowerHiRow = 1;
constexpr int kPowerL1Row = 3;
constexpr int kBalanceRow = 4;
constexpr int kSqlRow = 7;
constexpr int kBpfT1Row = 10;

Bytes RadioBytes(const qtsim::MemoryImage& image) {
    return Bytes(image.bytes().begin(), image.bytes().end());
}

TEST(SafetyNetTest, BackupOfTheReadImageIsWrittenBeforeAnyAdjustmentAndReadsBackEqual) {
    TempFolder folder;
    SafetyRig rig(folder.path() + "/backups");
    // The backup exists before the model sends its first command after the read.
    std::size_t writesAtBackup = 0;
    rig.app().main().OnCommandClick(0);
    ASSERT_TRUE(rig.RunUntil([&] {
        if (!rig.net().backupPath().empty() && writesAtBackup == 0)
            writesAtBackup = rig.cable.writes().size();
        return rig.app().model().taskState() == 28 && !rig.app().sequence().OpRunning();
    }));
    ASSERT_FALSE(rig.net().backupPath().empty());
    // Identification request and clone read request only.
    EXPECT_EQ(writesAtBackup, 2u);
    EXPECT_TRUE(rig.box.shown.empty());

    BackupRecord record;
    std::string error;
    ASSERT_TRUE(ReadBackupFile(rig.net().backupPath(), record, error)) << error;
    EXPECT_EQ(record.image, RadioBytes(qtsim::MemoryImage::builtIn()));
    EXPECT_EQ(record.modelCode, "3017");
    EXPECT_EQ(record.subCode, "0102");
    EXPECT_EQ(record.identification, rig.app().sequence().ansInfo());
    EXPECT_EQ(record.identification.size(), 69u);
    EXPECT_EQ(record.dateTime, DateTimeText(rig.wall.now));
    EXPECT_EQ(std::filesystem::path(rig.net().backupPath()).filename().string(),
              DateTimeStamp(rig.wall.now) + "-30170102.qsbak");
}

TEST(SafetyNetTest, AReadCutShortByAReceiveOverflowWritesNoBackup) {
    // The overflow closes the port without a driver error; the image is then partly old.
    TempFolder folder;
    SafetyRig rig(folder.path());
    rig.app().main().OnCommandClick(0);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.app().com().kel3D().lastEeAdr() > 4000; }));
    rig.cable.raise(CommEvent::RxOver);
    rig.RunFor(200);
    ASSERT_FALSE(rig.box.shown.empty());
    EXPECT_THAT(rig.box.shown.front().text, HasSubstr("COM buffer overflow."));
    EXPECT_TRUE(rig.net().backupPath().empty());
    EXPECT_TRUE(folder.Files().empty());
    EXPECT_THAT(rig.SettingCommands(), ::testing::IsEmpty());
}

TEST(SafetyNetTest, ASecondConnectWritesASecondBackupAndNeverOverwritesTheFirst) {
    TempFolder folder;
    SafetyRig rig(folder.path());
    ASSERT_TRUE(rig.Connect());
    const std::string first = rig.net().backupPath();
    rig.Step(kPowerHiRow, 3);
    rig.RunFor(10);
    ASSERT_TRUE(rig.Connect());  // same second on the wall clock: a new name all the same
    const std::string second = rig.net().backupPath();
    EXPECT_NE(first, second);
    EXPECT_THAT(folder.Files(),
                ::testing::ElementsAre(DateTimeStamp(rig.wall.now) + "-30170102-2.journal.txt",
                                       DateTimeStamp(rig.wall.now) + "-30170102-2.qsbak",
                                       DateTimeStamp(rig.wall.now) + "-30170102.journal.txt",
                                       DateTimeStamp(rig.wall.now) + "-30170102.qsbak"));
    BackupRecord a, b;
    std::string error;
    ASSERT_TRUE(ReadBackupFile(first, a, error)) << error;
    ASSERT_TRUE(ReadBackupFile(second, b, error)) << error;
    EXPECT_EQ(a.image[168], builtin::kPowerHi);
    EXPECT_EQ(b.image[168], builtin::kPowerHi + 3);
}

TEST(SafetyNetTest, JournalRecordsEveryAdjustmentCommandAndReadsBackEqual) {
    TempFolder folder;
    SafetyRig rig(folder.path());
    ASSERT_TRUE(rig.Connect());
    rig.Step(kPowerHiRow, 2);
    rig.RunFor(10);
    rig.Step(kSqlRow, -1);
    rig.RunFor(10);

    const std::vector<JournalEntry> entries = ReadJournalFile(rig.net().journalPath());
    // One line per adjustment frame on the wire, in the same order.
    const std::vector<std::string> wire = rig.SettingCommands();
    ASSERT_EQ(entries.size(), wire.size());
    for (std::size_t i = 0; i < wire.size(); ++i) {
        EXPECT_EQ(entries[i].command, wire[i]) << i;
        EXPECT_EQ(entries[i].time, DateTimeText(rig.wall.now)) << i;
    }
    // The first command of a connection switches the radio into adjustment mode.
    EXPECT_EQ(entries.front().item, "Adjustment mode");
    // The last three: Power(Hi) twice (one step each tick or both in one), then SQL.
    const JournalEntry& sql = entries.back();
    EXPECT_EQ(sql.item, "SQL");
    EXPECT_EQ(sql.oldValue, std::to_string(builtin::kSql));
    EXPECT_EQ(sql.newValue, std::to_string(builtin::kSql - 1));
    auto power = std::find_if(entries.rbegin(), entries.rend(),
                              [](const JournalEntry& e) { return e.item == "Power(Hi)"; });
    ASSERT_NE(power, entries.rend());
    EXPECT_EQ(power->newValue, std::to_string(builtin::kPowerHi + 2));
    EXPECT_THAT(power->oldValue, ::testing::AnyOf(std::to_string(builtin::kPowerHi),
                                                  std::to_string(builtin::kPowerHi + 1)));

    std::ifstream in(rig.net().journalPath());
    std::string heading;
    std::getline(in, heading);
    EXPECT_EQ(heading, kJournalHeading);
}

TEST(SafetyNetTest, JournalGivesMirrorsAndTheFirstSendTheirStoredOldValues) {
    qtsim::MemoryImage image = qtsim::MemoryImage::builtIn();
    image.write(113, 10);
    TempFolder folder;
    SafetyRig rig(folder.path(), Trace::Off, image);
    ASSERT_TRUE(rig.Connect());
    const std::vector<JournalEntry> entries = ReadJournalFile(rig.net().journalPath());
    auto mirror = std::find_if(entries.begin(), entries.end(),
                               [](const JournalEntry& e) { return e.item == "BAL mirror 113"; });
    ASSERT_NE(mirror, entries.end());
    EXPECT_EQ(mirror->oldValue, "10");
    EXPECT_EQ(mirror->newValue, std::to_string(builtin::kBalance));
    auto balance = std::find_if(entries.begin(), entries.end(),
                                [](const JournalEntry& e) { return e.item == "BAL"; });
    ASSERT_NE(balance, entries.end());
    // Sent once after Connect with the value read: old and new agree.
    EXPECT_EQ(balance->oldValue, std::to_string(builtin::kBalance));
    EXPECT_EQ(balance->newValue, std::to_string(builtin::kBalance));
}

// The data folder fills under the journal: the command whose line failed never reaches the
// radio, nor any after it in the connection; said once.
TEST(SafetyNetTest, AJournalLineThatFailsKeepsItsCommandAndEveryLaterOneOffTheWire) {
    TempFolder folder;
    SafetyRig rig(folder.path());
    ASSERT_TRUE(rig.Connect());
    const std::size_t sent = rig.SettingCommands().size();
    const int full = ::open("/dev/full", O_WRONLY);
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (std::filesystem::read_symlink(fd.path(), ec) == rig.net().journalPath())
            ::dup2(full, std::stoi(fd.path().filename().string()));
    }
    ::close(full);
    rig.Step(kPowerL1Row, 2);
    rig.RunFor(10);
    rig.Step(kSqlRow, 1);
    rig.RunFor(10);
    EXPECT_EQ(rig.SettingCommands().size(), sent);
    EXPECT_EQ(rig.radio().image().read(166), builtin::kPowerL1);
    EXPECT_FALSE(rig.net().recordsWritten());
    ASSERT_EQ(rig.box.shown.size(), 1u);
    EXPECT_THAT(rig.box.shown[0].text,
                HasSubstr("Nothing more is sent to the radio in this connection"));
}

TEST(SafetyNetTest, UnwritableBackupFolderIsReportedOnceAndTheAdjustmentGoesOn) {
    TempFolder folder;
    // A folder that cannot be created, whoever runs the test: its parent is a plain file.
    const std::string blocker = folder.path() + "/not-a-folder";
    std::ofstream(blocker) << "x";
    SafetyRig rig(blocker + "/backups");

    // The message comes while the connection is being made, before any adjustment.
    std::size_t writesAtMessage = 0;
    rig.box.onShow = [&] { writesAtMessage = rig.cable.writes().size(); };
    ASSERT_TRUE(rig.Connect());
    ASSERT_EQ(rig.box.shown.size(), 1u);
    EXPECT_EQ(rig.box.shown[0].caption, "QS-71DR ADJ Rev.1.0");
    EXPECT_THAT(rig.box.shown[0].text,
                HasSubstr("could not be saved as a backup.\r\n" + blocker + "/backups: "));
    EXPECT_THAT(rig.box.shown[0].text, HasSubstr("The adjustment goes on"));
    EXPECT_EQ(writesAtMessage, 2u);
    EXPECT_TRUE(rig.net().backupPath().empty());
    EXPECT_TRUE(rig.net().journalPath().empty());

    // The connection is in its adjustment cycle and a key still reaches the radio.
    rig.Step(kPowerL1Row, 4);
    rig.RunFor(10);
    EXPECT_EQ(rig.radio().image().read(166), builtin::kPowerL1 + 4);
    EXPECT_EQ(rig.box.shown.size(), 1u);
}

TEST(SafetyNetTest, NoDataFolderKnownIsReportedAndTheAdjustmentGoesOn) {
    SafetyRig rig("");
    ASSERT_TRUE(rig.Connect());
    ASSERT_EQ(rig.box.shown.size(), 1u);
    EXPECT_THAT(rig.box.shown[0].text, HasSubstr("No folder for user data is known"));
    rig.Step(kPowerL1Row, 1);
    rig.RunFor(10);
    EXPECT_EQ(rig.radio().image().read(166), builtin::kPowerL1 + 1);
}

TEST(SafetyNetTest, RevertPutsTheRadiosStoredValuesBackToThoseOfTheFirstRead) {
    TempFolder folder;
    SafetyRig rig(folder.path());
    ASSERT_TRUE(rig.Connect());
    const Bytes firstRead = RadioBytes(rig.radio().image());
    rig.Step(kPowerHiRow, 5);
    rig.Step(kBalanceRow, -3);
    rig.Step(kSqlRow, 7);
    rig.RunFor(80);
    ASSERT_EQ(rig.radio().image().read(168), builtin::kPowerHi + 5);
    ASSERT_EQ(rig.radio().image().read(113), builtin::kBalance - 3);

    rig.box.yesNoAnswer = true;
    EXPECT_EQ(rig.net().RevertToConnectValues(), SafetyNet::RevertResult::Reverted);
    ASSERT_EQ(rig.box.asked.size(), 1u);
    EXPECT_EQ(rig.box.asked[0].caption, "QS-71DR ADJ Rev.1.0");
    EXPECT_EQ(rig.box.asked[0].text,
              "Set every adjustment item back to the value read at Connect?\r\n3 items differ and "
              "are sent to the radio again.");
    rig.RunFor(80);

    EXPECT_EQ(RadioBytes(rig.radio().image()), firstRead);
    for (int address : {168, 106, 113, 99, 120, 184})
        EXPECT_EQ(rig.app().radio().eepImage().ReadByte(address), firstRead[address]) << address;
    EXPECT_TRUE(rig.box.shown.empty());

    // And it is journalled like any other change.
    const std::vector<JournalEntry> entries = ReadJournalFile(rig.net().journalPath());
    ASSERT_FALSE(entries.empty());
    EXPECT_THAT(rig.SettingCommands().size(), entries.size());
}

TEST(SafetyNetTest, RevertAnsweredNoSendsNothing) {
    TempFolder folder;
    SafetyRig rig(folder.path());
    ASSERT_TRUE(rig.Connect());
    rig.Step(kPowerHiRow, 1);
    rig.RunFor(10);
    const std::size_t sent = rig.SettingCommands().size();
    rig.box.yesNoAnswer = false;
    EXPECT_EQ(rig.net().RevertToConnectValues(), SafetyNet::RevertResult::Declined);
    rig.RunFor(20);
    EXPECT_EQ(rig.SettingCommands().size(), sent);
    EXPECT_EQ(rig.radio().image().read(168), builtin::kPowerHi + 1);
}

TEST(SafetyNetTest, RevertRefusesBeforeConnectAndWhenNothingChanged) {
    TempFolder folder;
    SafetyRig rig(folder.path());
    EXPECT_EQ(rig.net().RevertToConnectValues(), SafetyNet::RevertResult::NotConnected);
    ASSERT_EQ(rig.box.shown.size(), 1u);
    EXPECT_EQ(rig.box.shown[0].text,
              "There are no values read at Connect to go back to.\r\nConnect to the radio first.");
    ASSERT_TRUE(rig.Connect());
    EXPECT_EQ(rig.net().RevertToConnectValues(), SafetyNet::RevertResult::NothingToRevert);
    EXPECT_TRUE(rig.box.asked.empty());
}

TEST(SafetyNetTest, RevertWaitsForARunningAutomaticOperation) {
    TempFolder folder;
    SafetyRig rig(folder.path());
    ASSERT_TRUE(rig.Connect());
    rig.Step(kPowerHiRow, 1);
    rig.win.lboConsole.setListIndex(kBpfT1Row);
    if (!rig.app().main().OnWindowKeyDown(kKeyEnter, 0))
        rig.app().main().OnConsoleKeyDown(kKeyEnter, 0);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.app().model().opState() != 0; }, 40));
    rig.box.yesNoAnswer = true;
    EXPECT_EQ(rig.net().RevertToConnectValues(), SafetyNet::RevertResult::Busy);
    EXPECT_TRUE(rig.box.asked.empty());
    ASSERT_EQ(rig.box.shown.size(), 1u);
    EXPECT_EQ(rig.box.shown[0].text,
              "An automatic operation is running.\r\nRevert when it has finished.");
}

TEST(SafetyNetTest, CompareWithTheConnectBackupShowsWhatTheTechnicianChanged) {
    TempFolder folder;
    SafetyRig rig(folder.path());
    ASSERT_TRUE(rig.Connect());
    rig.Step(kPowerHiRow, 2);
    rig.Step(kSqlRow, -4);
    rig.RunFor(20);
    std::string page, error;
    ASSERT_TRUE(rig.net().CompareWithBackup(rig.net().backupPath(), page, error)) << error;
    EXPECT_THAT(page, HasSubstr("                POW HI Level:  200  ->   202\r\n"));
    EXPECT_THAT(page, HasSubstr("                   SQL Level:  100  ->    96\r\n"));
    EXPECT_THAT(page, HasSubstr("\r\n2 parameters differ.\r\n"));
}

TEST(SafetyNetTest, CompareWithADamagedBackupSaysWhy) {
    TempFolder folder;
    SafetyRig rig(folder.path());
    std::string page, error;
    EXPECT_FALSE(rig.net().CompareWithBackup(folder.path() + "/any.qsbak", page, error));
    EXPECT_EQ(error, "No memory image has been read from the radio yet. Connect first.");
    ASSERT_TRUE(rig.Connect());
    std::string text;
    {
        std::ifstream in(rig.net().backupPath());
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    text[text.find("0000: ") + 6] ^= 1;  // one data digit changed
    const std::string damaged = folder.path() + "/damaged.qsbak";
    std::ofstream(damaged) << text;
    EXPECT_FALSE(rig.net().CompareWithBackup(damaged, page, error));
    EXPECT_EQ(error, "The backup's checksum does not match its data.");
    EXPECT_FALSE(rig.net().CompareWithBackup(folder.path() + "/missing.qsbak", page, error));
    EXPECT_THAT(error, HasSubstr("Cannot open"));
}

}  // namespace
}  // namespace qs::safety_test
