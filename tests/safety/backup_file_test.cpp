// Backup files: the text layout, reading back, and refusing damaged or foreign files.
#include <filesystem>
#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "safety/backup_file.h"
#include "safety/crc32.h"
#include "safety/data_folder.h"
#include "safety/journal_file.h"
#include "safety/line_file.h"
#include "safety_rig.h"

namespace qs::safety_test {
namespace {

using ::testing::HasSubstr;
using ::testing::EndsWith;
using ::testing::StartsWith;

BackupRecord SampleRecord() {
    BackupRecord r;
    r.modelCode = "3017";
    r.subCode = "0102";
    r.identification = {0xEF, 0xEE, 0xE1, 0x30, 0x17, 0x01, 0x02};
    r.dateTime = "2026-12-07 10:46:02";
    r.image.resize(kBackupImageBytes);
    for (std::size_t i = 0; i < r.image.size(); ++i)
        r.image[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return r;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

TEST(Crc32Test, MatchesTheCommonCheckValue) {
    const std::string digits = "123456789";
    EXPECT_EQ(Crc32(Bytes(digits.begin(), digits.end())), 0xCBF43926u);
    EXPECT_EQ(Crc32({}), 0u);
}

TEST(BackupFileTest, TextHasTheDocumentedHeaderAndAddressedDataLines) {
    const BackupRecord r = SampleRecord();
    const std::string text = BackupText(r);
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08X", Crc32(r.image));
    EXPECT_THAT(text, StartsWith("QS-71DR ADJ memory backup\nFormat: 1\nModel: 3017\nSub code: "
                                 "0102\nIdentification: EFEEE130170102\nDate: 2026-12-07 "
                                 "10:46:02\nBytes: 32112\nCRC-32: " +
                                 std::string(crc) + "\nData:\n0000: 030A11181F262D343B"));
    EXPECT_THAT(text, HasSubstr("\n0020: "));
    // 32112 = 1003 full lines of 32 bytes and one of 16.
    EXPECT_THAT(text, HasSubstr("\n7D60: "));
    EXPECT_EQ(text.substr(text.size() - 4), "End\n");
    EXPECT_EQ(text.find("\n7D80: "), std::string::npos);
}

TEST(BackupFileTest, ReadsBackEqualAlsoWithWindowsLineEnds) {
    const BackupRecord r = SampleRecord();
    BackupRecord back;
    std::string error;
    ASSERT_TRUE(ParseBackup(BackupText(r), back, error)) << error;
    EXPECT_EQ(back.image, r.image);
    EXPECT_EQ(back.identification, r.identification);
    EXPECT_EQ(back.modelCode, "3017");
    EXPECT_EQ(back.subCode, "0102");
    EXPECT_EQ(back.dateTime, r.dateTime);

    std::string crlf;
    for (char c : BackupText(r)) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    ASSERT_TRUE(ParseBackup(crlf, back, error)) << error;
    EXPECT_EQ(back.image, r.image);
}

struct DamageCase {
    const char* what;
    std::function<std::string(const std::string&)> damage;
    const char* error;
};

class BackupDamageTest : public ::testing::TestWithParam<DamageCase> {};

TEST_P(BackupDamageTest, IsRefusedWithAReason) {
    BackupRecord back;
    back.modelCode = "keep";
    std::string error;
    EXPECT_FALSE(ParseBackup(GetParam().damage(BackupText(SampleRecord())), back, error));
    EXPECT_EQ(error, GetParam().error);
    EXPECT_EQ(back.modelCode, "keep");  // untouched on failure
}

INSTANTIATE_TEST_SUITE_P(
    Damage, BackupDamageTest,
    ::testing::Values(
        DamageCase{"one data digit changed",
                   [](const std::string& t) { return Replace(t, "0000: 030A", "0000: 030B"); },
                   "The backup's checksum does not match its data."},
        DamageCase{"checksum changed",
                   [](const std::string& t) { return Replace(t, "CRC-32: ", "CRC-32: 1"); },
                   "The backup's header is damaged."},
        DamageCase{"a data line missing",
                   [](const std::string& t) {
                       const std::size_t at = t.find("\n0020: ");
                       return t.substr(0, at) + t.substr(t.find('\n', at + 1));
                   },
                   "The backup's data is damaged at line 11."},
        DamageCase{"cut short",
                   [](const std::string& t) { return t.substr(0, t.find("\n7D60: ") + 1); },
                   "The backup is incomplete."},
        DamageCase{"no end line", [](const std::string& t) { return Replace(t, "End\n", ""); },
                   "The backup is incomplete."},
        DamageCase{"too many bytes",
                   [](const std::string& t) { return Replace(t, "End\n", "7D70: 00\nEnd\n"); },
                   "The backup's data is damaged at line 1014."},
        DamageCase{"not hex data",
                   [](const std::string& t) { return Replace(t, "0000: 03", "0000: 0G"); },
                   "The backup's data is damaged at line 10."},
        DamageCase{"odd identification",
                   [](const std::string& t) { return Replace(t, "EFEEE1", "EFEEE"); },
                   "The backup's header is damaged."},
        DamageCase{"model code not four digits",
                   [](const std::string& t) { return Replace(t, "Model: 3017", "Model: 30"); },
                   "The backup's header is damaged."},
        DamageCase{"other image size",
                   [](const std::string& t) { return Replace(t, "Bytes: 32112", "Bytes: 100"); },
                   "The backup's header is damaged."},
        DamageCase{"newer format",
                   [](const std::string& t) { return Replace(t, "Format: 1", "Format: 2"); },
                   "The backup has format 2, which this program does not know."},
        DamageCase{"another file", [](const std::string&) { return std::string("[OPTION]\n"); },
                   "The file is not a QS-71DR ADJ memory backup."},
        DamageCase{"empty", [](const std::string&) { return std::string(); },
                   "The file is not a QS-71DR ADJ memory backup."},
        DamageCase{"huge",
                   [](const std::string& t) { return t + std::string(kMaxBackupFileBytes, 'x'); },
                   "The file is too large to be a backup."}),
    [](const auto& info) {
        std::string name;
        for (const char* p = info.param.what; *p != '\0'; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

TEST(SaveNewFileTest, NeverOverwritesAndCreatesTheFolder) {
    TempFolder folder;
    const std::string sub = folder.path() + "/a/b";
    std::string first, second, error;
    ASSERT_TRUE(SaveNewFile(sub, "stem", ".txt", "one", first, error)) << error;
    ASSERT_TRUE(SaveNewFile(sub, "stem", ".txt", "two", second, error)) << error;
    EXPECT_EQ(first, sub + "/stem.txt");
    EXPECT_EQ(second, sub + "/stem-2.txt");
    std::ifstream a(first), b(second);
    std::string ta, tb;
    std::getline(a, ta);
    std::getline(b, tb);
    EXPECT_EQ(ta, "one");
    EXPECT_EQ(tb, "two");
}

TEST(SaveNewFileTest, FolderThatCannotBeCreatedGivesTheReason) {
    TempFolder folder;
    const std::string file = folder.path() + "/plain";
    std::ofstream(file) << "x";
    std::string path, error;
    EXPECT_FALSE(SaveNewFile(file + "/backups", "stem", ".txt", "text", path, error));
    EXPECT_THAT(error, StartsWith(file + "/backups: "));
    EXPECT_TRUE(path.empty());
}

TEST(LineFileTest, FullDiskGivesTheSystemsReason) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    // /dev/full takes no bytes; a folder holding a link to it plays a full disk.
    TempFolder folder;
    std::filesystem::create_symlink("/dev/full", folder.path() + "/full.txt");
    LineFile file;
    std::string error;
    ASSERT_TRUE(file.Open(folder.path() + "/full.txt", LineFile::Mode::Append, error)) << error;
    EXPECT_FALSE(file.WriteLine("a line"));
    EXPECT_THAT(file.writeError(), HasSubstr("No space left on device"));
}

TEST(LineFileTest, CreateNewRefusesAnExistingFile) {
    TempFolder folder;
    const std::string path = folder.path() + "/j.txt";
    std::ofstream(path) << "earlier\n";
    LineFile file;
    std::string error;
    EXPECT_FALSE(file.Open(path, LineFile::Mode::CreateNew, error));
    EXPECT_THAT(error, HasSubstr("File exists"));
    ASSERT_TRUE(file.Open(path, LineFile::Mode::Append, error));
    EXPECT_TRUE(file.WriteLine("later"));
    // Flushed per line: readable before the file is closed.
    std::ifstream in(path);
    std::string one, two;
    std::getline(in, one);
    std::getline(in, two);
    EXPECT_EQ(one, "earlier");
    EXPECT_EQ(two, "later");
}

TEST(JournalFileTest, LinesReadBackEqualAndTabsInFieldsCannotBreakThem) {
    const JournalEntry entry{"2026-12-07 10:46:05", "Power(Hi)", "128", "130", "093832"};
    EXPECT_EQ(JournalLine(entry), "2026-12-07 10:46:05\tPower(Hi)\t128\t130\t093832");
    JournalEntry back;
    ASSERT_TRUE(ParseJournalLine(JournalLine(entry), back));
    EXPECT_EQ(back, entry);

    const JournalEntry odd{"t", "a\tb\nc", "1", "2", "x"};
    ASSERT_TRUE(ParseJournalLine(JournalLine(odd), back));
    EXPECT_EQ(back.item, "a b c");

    EXPECT_FALSE(ParseJournalLine(kJournalHeading, back));
    EXPECT_FALSE(ParseJournalLine("a\tb\tc", back));
    EXPECT_FALSE(ParseJournalLine("a\tb\tc\td\te\tf", back));
    EXPECT_FALSE(ParseJournalLine(std::string(2000, '\t'), back));
}

TEST(JournalFileTest, BenchLinesAreTheirOwnAndStayReadable) {
    const struct {
        const char* name;
        JournalEntry line;
        std::optional<BenchJournalEntry> bench;
    } rows[] = {
        {"setting",
         {"t", "bench generator", "-", "level -47 dBm", "TCPIP::10.0.0.5::5025::SOCKET"},
         BenchJournalEntry{"t", "generator", "level -47 dBm", "TCPIP::10.0.0.5::5025::SOCKET",
                           false}},
        {"failure",
         {"t", "bench power_meter", "-", "power FAILED: X: no answer", "X"},
         BenchJournalEntry{"t", "power_meter", "power FAILED: X: no answer", "X", true}},
        {"identity that says FAILED", {"t", "bench generator", "-", "identity A FAILED: B", "X"},
         BenchJournalEntry{"t", "generator", "identity A FAILED: B", "X", false}},
        {"adjustment", {"t", "Power(Hi)", "128", "130", "093832"}, std::nullopt},
        {"a title that only begins alike", {"t", "bench", "-", "1", "X"}, std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(BenchEntryOf(row.line), row.bench);
        if (row.bench) {
            EXPECT_EQ(BenchLine(*row.bench), row.line);
        }
    }

    // An instrument's endless answer is cut, never across a UTF-8 character, and the line
    // still reads back.
    std::string identity = "identity ";
    while (identity.size() < 5000) identity += "\xC3\xA9";  // é
    const JournalEntry cut = BenchLine({"t", "generator", identity, std::string(900, 'a'), false});
    JournalEntry back;
    ASSERT_TRUE(ParseJournalLine(JournalLine(cut), back));
    EXPECT_THAT(back.newValue, EndsWith("\xC3\xA9..."));
    EXPECT_EQ(back.command.size(), 256u);
}

TEST(DataFolderTest, UsesTheUsersDataFolderNeverThePrograms) {
    EXPECT_EQ(BackupFolderFor("/data", "/home/tech"), "/data/qs71dr-adj/backups");
    EXPECT_EQ(BackupFolderFor(nullptr, "/home/tech"), "/home/tech/.local/share/qs71dr-adj/backups");
    // A relative XDG_DATA_HOME is to be ignored.
    EXPECT_EQ(BackupFolderFor("data", "/home/tech"), "/home/tech/.local/share/qs71dr-adj/backups");
    EXPECT_EQ(BackupFolderFor("", ""), "");
    EXPECT_EQ(BackupFolderFor(nullptr, nullptr), "");
}

}  // namespace
}  // namespace qs::safety_test
