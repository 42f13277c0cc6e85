#pragma once

#include <string>

namespace qs {

// Where the settings file lives. On Linux that is the user's config folder, because an
// installed program's own folder is not writable; a file left beside the program by an
// earlier version is copied there once. On Windows it stays beside the program.
struct SettingsFolder {
    enum class Source {
        ProgramFolder,  // beside the program (Windows, or no user folder could be used)
        UserFolder,     // the user's config folder
        CarriedOver,    // the user's config folder, just filled from beside the program
    };
    std::string folder;
    Source source = Source::ProgramFolder;
    // One line for the terminal when something was carried over or could not be; else empty.
    std::string notice;
};

// $XDG_CONFIG_HOME/qs71dr-adj, or ~/.config/qs71dr-adj when XDG_CONFIG_HOME is unset or not
// an absolute path. Empty when neither is known. Arguments are null when unset.
std::string UserSettingsFolderFor(const char* xdgConfigHome, const char* home);

// Chooses the folder for `fileName`, creating `userFolder` (empty: none known) when needed:
// - the user's folder when it already holds the file;
// - else, when the program's folder holds it, a copy is carried into the user's folder (the
//   original is left in place) and the user's folder is used; if the copy cannot be made,
//   the program's folder is used, so the technician keeps the settings they had;
// - else the user's folder, falling back to the program's folder when it cannot be made.
SettingsFolder ChooseSettingsFolder(const std::string& programFolder, const std::string& userFolder,
                                    const std::string& fileName);

// The choice for this platform and the running environment.
SettingsFolder DefaultSettingsFolder(const std::string& programFolder, const std::string& fileName);

}  // namespace qs
