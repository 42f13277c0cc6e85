#include "shell/ini_file_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace qs {
namespace {

namespace fs = std::filesystem;

class IniFileStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("qs_ini_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        file = (folder / "RW5120A.rs").string();
    }
    void TearDown() override {
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(folder);
    }

    void writeRaw(const std::string& text) {
        std::ofstream out(file, std::ios::binary);
        out << text;
    }
    std::string readRaw() const {
        std::ifstream in(file, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string get(const std::string& section, const std::string& key,
                    const std::string& def = "DEF") {
        std::string out;
        store.GetPrivateProfileString(section, key, def, out, 255, file);
        return out;
    }

    fs::path folder;
    std::string file;
    IniFileStore store{"/opt/qs"};
};

TEST_F(IniFileStoreTest, FirstSaveCreatesTheClassicLayout) {
    EXPECT_TRUE(store.WritePrivateProfileString("OPTION", "ComPort", "2", file));
    EXPECT_TRUE(store.WritePrivateProfileString("OPTION", "ComAutoRelease", "3", file));
    EXPECT_EQ(readRaw(), "[OPTION]\r\nComPort=2\r\nComAutoRelease=3\r\n");
    EXPECT_FALSE(fs::exists(file + ".tmp"));
}

TEST_F(IniFileStoreTest, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(get("OPTION", "ComPort"), "DEF");
    writeRaw("[OTHER]\nComPort=4\n");
    EXPECT_EQ(get("OPTION", "ComPort"), "DEF");
    EXPECT_EQ(get("OTHER", "Missing"), "DEF");
}

TEST_F(IniFileStoreTest, ReadsLikeAnOrdinaryIniReader) {
    writeRaw(
        "\xEF\xBB\xBF; settings\r\n[ option ]\r\n  comport =  3  "
        "\r\nEmpty=\r\n[Next]\r\nComPort=9\r\n");
    EXPECT_EQ(get("OPTION", "ComPort"), "3");
    EXPECT_EQ(get("OPTION", "Empty"), "");
    std::string out;
    EXPECT_EQ(store.GetPrivateProfileString("OPTION", "Empty", "1", out, 255, file), 0u);
    EXPECT_EQ(get("Next", "comport"), "9");
}

TEST_F(IniFileStoreTest, ValuesAreCutToTheBuffer) {
    writeRaw("[S]\nK=" + std::string(400, 'x') + "\n");
    std::string out;
    EXPECT_EQ(store.GetPrivateProfileString("S", "K", "", out, 255, file), 254u);
    EXPECT_EQ(out.size(), 254u);
    EXPECT_EQ(store.GetPrivateProfileString("S", "K", "", out, 0, file), 0u);
}

TEST_F(IniFileStoreTest, WriteKeepsEveryOtherLine) {
    writeRaw(
        "; bench notes\n[First]\nA=1\n\n[OPTION]\nComPort=1\n; keep me\nOther=x\n\n[Last]\nZ=9\n");
    EXPECT_TRUE(store.WritePrivateProfileString("OPTION", "ComPort", "4", file));
    EXPECT_TRUE(store.WritePrivateProfileString("OPTION", "ComAutoRelease", "5", file));
    EXPECT_TRUE(store.WritePrivateProfileString("New", "K", "v", file));
    EXPECT_EQ(readRaw(),
              "; bench notes\n[First]\nA=1\n\n[OPTION]\nComPort=4\n; keep me\nOther=x\n"
              "ComAutoRelease=5\n\n[Last]\nZ=9\n\n[New]\nK=v\n");
}

TEST_F(IniFileStoreTest, ValuesThatWouldBreakTheLayoutAreRefused) {
    EXPECT_FALSE(store.WritePrivateProfileString("OPTION", "ComPort", "1\r\n[X]", file));
    EXPECT_FALSE(store.WritePrivateProfileString("OPTION", "Com=Port", "1", file));
    EXPECT_FALSE(store.WritePrivateProfileString("OPTION", "", "1", file));
    EXPECT_FALSE(store.WritePrivateProfileString("OP]TION", "ComPort", "1", file));
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(IniFileStoreTest, UnwritableFolderFailsCleanlyAndKeepsTheOldFile) {
    writeRaw("[OPTION]\nComPort=2\n");
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    if (std::ofstream(folder / "probe").good()) {
        GTEST_SKIP() << "running with rights that ignore folder permissions";
    }
    EXPECT_FALSE(store.WritePrivateProfileString("OPTION", "ComPort", "3", file));
    EXPECT_EQ(get("OPTION", "ComPort"), "2");
}

TEST_F(IniFileStoreTest, FolderThatCannotExistFailsCleanly) {
    const std::string impossible = file + "/inside-a-file.rs";
    writeRaw("[OPTION]\nComPort=2\n");
    EXPECT_FALSE(store.WritePrivateProfileString("OPTION", "ComPort", "3", impossible));
    EXPECT_EQ(get("OPTION", "ComPort"), "2");
}

TEST_F(IniFileStoreTest, ExecutableDirectoryIsReportedAndHasADefault) {
    EXPECT_EQ(store.ExecutableDirectory(), "/opt/qs");
    EXPECT_FALSE(IniFileStore().ExecutableDirectory().empty());
}

}  // namespace
}  // namespace qs
