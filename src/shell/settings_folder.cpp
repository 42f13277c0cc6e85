#include "shell/settings_folder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace qs {
namespace {

namespace fs = std::filesystem;

constexpr const char* kProgramFolderName = "/qs71dr-adj";

bool IsAbsolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

bool IsFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// Copies through a temporary file and a rename, so that a copy cut short never leaves a
// half file that a later start would take for the settings.
bool CarryOver(const fs::path& from, const fs::path& to, std::string& why) {
    std::error_code ec;
    fs::create_directories(to.parent_path(), ec);
    if (ec) {
        why = ec.message();
        return false;
    }
    fs::path temp = to;
    temp += ".tmp";
    fs::copy_file(from, temp, fs::copy_options::overwrite_existing, ec);
    if (!ec) fs::rename(temp, to, ec);
    if (ec) {
        why = ec.message();
        std::error_code ignored;
        fs::remove(temp, ignored);
        return false;
    }
    return true;
}

}  // namespace

std::string UserSettingsFolderFor(const char* xdgConfigHome, const char* home) {
    if (IsAbsolute(xdgConfigHome)) return std::string(xdgConfigHome) + kProgramFolderName;
    if (IsAbsolute(home)) return std::string(home) + "/.config" + kProgramFolderName;
    return "";
}

SettingsFolder ChooseSettingsFolder(const std::string& programFolder, const std::string& userFolder,
                                    const std::string& fileName) {
    using Source = SettingsFolder::Source;
    if (userFolder.empty()) return {programFolder, Source::ProgramFolder, ""};

    const fs::path userFile = fs::path(userFolder) / fileName;
    if (IsFile(userFile)) return {userFolder, Source::UserFolder, ""};

    const fs::path oldFile = fs::path(programFolder) / fileName;
    if (IsFile(oldFile)) {
        std::string why;
        if (!CarryOver(oldFile, userFile, why)) {
            return {programFolder, Source::ProgramFolder,
                    "cannot copy the settings to " + userFile.string() + " (" + why +
                        "); the settings beside the program are used"};
        }
        return {userFolder, Source::CarriedOver,
                "settings carried over from " + oldFile.string() + " to " + userFile.string() +
                    " (the old file is left in place)"};
    }

    std::error_code ec;
    fs::create_directories(userFolder, ec);
    if (ec) {
        return {programFolder, Source::ProgramFolder,
                "cannot create the settings folder " + userFolder + " (" + ec.message() +
                    "); the settings are kept beside the program"};
    }
    return {userFolder, Source::UserFolder, ""};
}

SettingsFolder DefaultSettingsFolder(const std::string& programFolder,
                                     const std::string& fileName) {
#ifdef _WIN32
    // Technicians on Windows expect the file beside the program, as it always was.
    (void)fileName;
    return {programFolder, SettingsFolder::Source::ProgramFolder, ""};
#else
    return ChooseSettingsFolder(
        programFolder, UserSettingsFolderFor(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")),
        fileName);
#endif
}

}  // namespace qs
