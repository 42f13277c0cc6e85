#include "safety/data_folder.h"

#include <cstdlib>

namespace qs {
namespace {

constexpr const char* kProgramFolder = "/qs71dr-adj/backups";

bool IsAbsolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

}  // namespace

std::string BackupFolderFor(const char* xdgDataHome, const char* home) {
    if (IsAbsolute(xdgDataHome)) return std::string(xdgDataHome) + kProgramFolder;
    if (IsAbsolute(home)) return std::string(home) + "/.local/share" + kProgramFolder;
    return "";
}

std::string DefaultBackupFolder() {
    return BackupFolderFor(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

}  // namespace qs
