#include "shell/settings_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "shell/ini_file_store.h"

namespace qs {
namespace {

namespace fs = std::filesystem;
using Source = SettingsFolder::Source;

constexpr const char* kFile = "RW5120A.rs";
const std::string kOldSettings = "[OPTION]\r\nComPort=3\r\nComAutoRelease=2\r\n";
const std::string kUserSettings = "[OPTION]\nComPort=2\n";

TEST(SettingsFolder, UserFolderFollowsTheEnvironment) {
    struct Row {
        const char* xdg;
        const char* home;
        std::string expected;
    };
    const Row rows[] = {
        {"/x/cfg", "/home/t", "/x/cfg/qs71dr-adj"},
        {nullptr, "/home/t", "/home/t/.config/qs71dr-adj"},
        {"", "/home/t", "/home/t/.config/qs71dr-adj"},
        {"relative/cfg", "/home/t", "/home/t/.config/qs71dr-adj"},
        {nullptr, nullptr, ""},
        {nullptr, "relative", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(UserSettingsFolderFor(row.xdg, row.home), row.expected)
            << (row.xdg ? row.xdg : "(unset)") << " / " << (row.home ? row.home : "(unset)");
    }
}

class SettingsFolderChoice : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() /
               ("qs_settings_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "bin");
        programFolder = (root / "bin").string();
        userFolder = (root / "config" / "qs71dr-adj").string();
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(root, ec);
    }

    static void Write(const fs::path& file, const std::string& text) {
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
    }
    static std::optional<std::string> Read(const fs::path& file) {
        if (!fs::is_regular_file(file)) return std::nullopt;
        std::ifstream in(file, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // What the program would load for "ComPort" from the chosen folder.
    static std::string ComPortIn(const std::string& folder) {
        IniFileStore store(folder);
        std::string out;
        store.GetPrivateProfileString("OPTION", "ComPort", "1", out, 255,
                                      (fs::path(folder) / kFile).string());
        return out;
    }

    fs::path root;
    std::string programFolder;
    std::string userFolder;
};

TEST_F(SettingsFolderChoice, FindsCarriesOverAndNeverLosesTheFile) {
    enum class UserFolder { Normal, Unknown, BlockedByAFile, HalfCopyLeft };
    struct Row {
        const char* name;
        std::optional<std::string> old;   // beside the program
        std::optional<std::string> user;  // in the user's folder
        UserFolder userFolder;
        Source source;
        std::string comPort;  // what the program then loads
        const char* notice;   // part of the terminal notice, empty for none
    };
    const Row rows[] = {
        {"first start, no file anywhere", {}, {}, UserFolder::Normal, Source::UserFolder, "1", ""},
        {"old file beside the program",
         kOldSettings,
         {},
         UserFolder::Normal,
         Source::CarriedOver,
         "3",
         "carried over"},
        {"user file wins over the old one", kOldSettings, kUserSettings, UserFolder::Normal,
         Source::UserFolder, "2", ""},
        {"only a user file", {}, kUserSettings, UserFolder::Normal, Source::UserFolder, "2", ""},
        {"no home known", kOldSettings, {}, UserFolder::Unknown, Source::ProgramFolder, "3", ""},
        {"config folder cannot be made, old file",
         kOldSettings,
         {},
         UserFolder::BlockedByAFile,
         Source::ProgramFolder,
         "3",
         "cannot copy"},
        {"config folder cannot be made, no file",
         {},
         {},
         UserFolder::BlockedByAFile,
         Source::ProgramFolder,
         "1",
         "cannot create"},
        {"a copy cut short is not taken for settings",
         kOldSettings,
         {},
         UserFolder::HalfCopyLeft,
         Source::CarriedOver,
         "3",
         "carried over"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(root);
        fs::create_directories(programFolder);
        std::string user = userFolder;
        if (row.userFolder == UserFolder::Unknown) user.clear();
        if (row.userFolder == UserFolder::BlockedByAFile) {
            Write(root / "config", "not a folder");
            user = (root / "config" / "qs71dr-adj").string();
        }
        if (row.userFolder == UserFolder::HalfCopyLeft) {
            Write(fs::path(userFolder) / (std::string(kFile) + ".tmp"), "[OPTION]\nCom");
        }
        if (row.old) Write(fs::path(programFolder) / kFile, *row.old);
        if (row.user) Write(fs::path(userFolder) / kFile, *row.user);

        const SettingsFolder chosen = ChooseSettingsFolder(programFolder, user, kFile);

        EXPECT_EQ(chosen.source, row.source);
        EXPECT_EQ(chosen.folder, row.source == Source::ProgramFolder ? programFolder : user);
        EXPECT_EQ(ComPortIn(chosen.folder), row.comPort);
        EXPECT_EQ(Read(fs::path(programFolder) / kFile), row.old) << "the old file is kept";
        if (row.user) {
            EXPECT_EQ(Read(fs::path(userFolder) / kFile), row.user);
        }
        if (row.source == Source::CarriedOver) {
            EXPECT_EQ(Read(fs::path(user) / kFile), row.old);
        }
        if (row.source != Source::ProgramFolder) {
            EXPECT_TRUE(fs::is_directory(user));
        }
        EXPECT_FALSE(fs::exists(fs::path(userFolder) / (std::string(kFile) + ".tmp")));
        if (*row.notice == '\0') {
            EXPECT_EQ(chosen.notice, "");
        } else {
            EXPECT_NE(chosen.notice.find(row.notice), std::string::npos) << chosen.notice;
        }
    }
}

TEST_F(SettingsFolderChoice, CarriedOverOnceThenTheUserFileStays) {
    Write(fs::path(programFolder) / kFile, kOldSettings);
    EXPECT_EQ(ChooseSettingsFolder(programFolder, userFolder, kFile).source, Source::CarriedOver);
    // The technician changes the port; a later start must not bring the old file back.
    Write(fs::path(userFolder) / kFile, kUserSettings);
    const SettingsFolder again = ChooseSettingsFolder(programFolder, userFolder, kFile);
    EXPECT_EQ(again.source, Source::UserFolder);
    EXPECT_EQ(again.notice, "");
    EXPECT_EQ(ComPortIn(again.folder), "2");
}

TEST_F(SettingsFolderChoice, ReadOnlyConfigFolderKeepsTheOldFile) {
    Write(fs::path(programFolder) / kFile, kOldSettings);
    fs::create_directories(root / "config");
    fs::permissions(root / "config", fs::perms::owner_read | fs::perms::owner_exec);
    if (std::ofstream(root / "config" / "probe").good()) {
        GTEST_SKIP() << "running with rights that ignore folder permissions";
    }
    const SettingsFolder chosen = ChooseSettingsFolder(programFolder, userFolder, kFile);
    EXPECT_EQ(chosen.source, Source::ProgramFolder);
    EXPECT_EQ(ComPortIn(chosen.folder), "3");
    EXPECT_EQ(Read(fs::path(programFolder) / kFile), kOldSettings);
}

TEST_F(SettingsFolderChoice, DefaultUsesXdgConfigHomeOnLinux) {
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string savedValue = saved ? saved : "";
    ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    const SettingsFolder chosen = DefaultSettingsFolder(programFolder, kFile);
    if (saved) {
        ::setenv("XDG_CONFIG_HOME", savedValue.c_str(), 1);
    } else {
        ::unsetenv("XDG_CONFIG_HOME");
    }
    EXPECT_EQ(chosen.folder, userFolder);
    EXPECT_TRUE(fs::is_directory(userFolder));
}

}  // namespace
}  // namespace qs
