#include "cli/desktop_settings.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "shell/application.h"
#include "shell/ini_file_store.h"
#include "shell/settings_folder.h"

namespace qs::cli {

namespace {

// The folder holding qs71dr-adj's settings file, as that program would choose it; none when
// there is no file.
std::optional<std::string> DesktopSettingsFolder() {
    const std::vector<std::string> folders{
        UserSettingsFolderFor(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")),
        IniFileStore::ProgramDirectory()};
    std::error_code ec;
    for (const std::string& folder : folders) {
        if (folder.empty()) continue;
        if (std::filesystem::exists(std::filesystem::path(folder) / Application::kSettingsFileName, ec))
            return folder;
    }
    return std::nullopt;
}

std::string FileIn(const std::string& folder) {
    return (std::filesystem::path(folder) / Application::kSettingsFileName).string();
}

}  // namespace

RecordsSettings DesktopRecordsSettings() {
    const std::optional<std::string> folder = DesktopSettingsFolder();
    if (!folder) return {};
    IniFileStore store(*folder);
    return LoadRecordsSettings(store, FileIn(*folder));
}

instruments::BenchSetup DesktopBenchSettings() {
    const std::optional<std::string> folder = DesktopSettingsFolder();
    if (!folder) return {};
    IniFileStore store(*folder);
    return instruments::LoadBenchSettings(store, FileIn(*folder));
}

}  // namespace qs::cli
