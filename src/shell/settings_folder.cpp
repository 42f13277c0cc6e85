#include "shell/settings_folder.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "shell/atomic_file.h"

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

// Settings files are small; anything larger is not one.
constexpr std::uintmax_t kMaxSettingsBytes = 1024 * 1024;

// Copied as every file is written, so that a copy cut short never leaves a half file that a
// later start would take for the settings, and an existing file is never replaced.
bool CarryOver(const fs::path& from, const fs::path& to, std::string& why) {
    std::error_code ec;
    fs::create_directories(to.parent_path(), ec);
    if (ec) {
        why = ec.message();
        return false;
    }
    // Earlier versions copied through this name; a copy of theirs cut short is not kept.
    fs::path oldTemp = to;
    oldTemp += ".tmp";
    fs::remove(oldTemp, ec);

    const std::uintmax_t size = fs::file_size(from, ec);
    if (ec || size > kMaxSettingsBytes) {
        why = ec ? ec.message() : "the file is too large to be settings";
        return false;
    }
    std::ifstream in(from, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!in.read(text.data(), static_cast<std::streamsize>(text.size()))) {
        why = "it cannot be read";
        return false;
    }
    std::string error;
    int code = 0;
    if (!WriteFileAtomically(to.string(), text, ExistingFile::Keep, error, &code)) {
        why = std::strerror(code);
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
