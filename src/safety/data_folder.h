#pragma once

#include <string>

namespace qs {

// The folder for backups and journals in the user's data folder (never beside the program,
// which may be read-only): $XDG_DATA_HOME/qs71dr-adj/backups, or
// ~/.local/share/qs71dr-adj/backups when XDG_DATA_HOME is unset or not an absolute path.
// Empty when neither is known.
std::string DefaultBackupFolder();

// The same rule for given values of XDG_DATA_HOME and HOME (null when unset).
std::string BackupFolderFor(const char* xdgDataHome, const char* home);

}  // namespace qs
