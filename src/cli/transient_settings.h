#pragma once

#include "platform/profile_store.h"

namespace qs::cli {

// The command line's settings: every key reads as missing (COM 1, no automatic release) and
// nothing is written, so a script never changes the desktop program's settings file.
class TransientSettings : public IProfileStore {
public:
    std::size_t GetPrivateProfileString(const std::string& section, const std::string& key,
                                        const std::string& defaultText, std::string& out,
                                        std::size_t bufferSize, const std::string& file) override;
    bool WritePrivateProfileString(const std::string& section, const std::string& key,
                                   const std::string& value, const std::string& file) override;
    std::string ExecutableDirectory() const override { return std::string(); }
};

}  // namespace qs::cli
