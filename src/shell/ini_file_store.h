#pragma once

#include <cstddef>
#include <string>

#include "platform/profile_store.h"

namespace qs {

// Settings files on disk in the classic initialisation-file layout:
//
//   [OPTION]
//   ComPort=2
//
// Section and key names match without regard to case and values are read with the spaces
// around them trimmed, as any ordinary INI reader does. A write keeps every other line of
// the file (comments included) and goes to a new file that is then renamed over the old
// one, so a crash mid-write leaves either the old file or the new one, never a truncated one.
class IniFileStore : public IProfileStore {
public:
    // Files larger than this are not settings files; they are read only this far and never
    // rewritten.
    static constexpr std::size_t kMaxFileBytes = 1024 * 1024;

    // `executableDirectory` is what ExecutableDirectory() reports, and so the folder the
    // settings accessor keeps its file in (the program gives the user's config folder on
    // Linux); empty means the folder of the running program as the system reports it.
    explicit IniFileStore(std::string executableDirectory = {});

    std::size_t GetPrivateProfileString(const std::string& section, const std::string& key,
                                        const std::string& defaultText, std::string& out,
                                        std::size_t bufferSize, const std::string& file) override;
    // Refuses (false) names and values that would break the line layout: line breaks, an
    // empty key, "=" in a key, "]" in a section name.
    bool WritePrivateProfileString(const std::string& section, const std::string& key,
                                   const std::string& value, const std::string& file) override;
    std::string ExecutableDirectory() const override { return executableDirectory_; }

    // The folder of the running program, or the current folder when the system cannot say.
    static std::string ProgramDirectory();

private:
    std::string executableDirectory_;
};

}  // namespace qs
