#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>

#include "platform/profile_store.h"

namespace qs {

// Settings files kept in memory: file -> section -> key -> value. Section and key names
// match without regard to case, as in any ordinary INI reader.
class MemoryProfileStore : public IProfileStore {
public:
    std::size_t GetPrivateProfileString(const std::string& section, const std::string& key,
                                        const std::string& defaultText, std::string& out,
                                        std::size_t bufferSize, const std::string& file) override;
    bool WritePrivateProfileString(const std::string& section, const std::string& key,
                                   const std::string& value, const std::string& file) override;
    std::string ExecutableDirectory() const override { return executableDirectory; }

    // Puts a value in place as if a technician had edited the file.
    void setRaw(const std::string& file, const std::string& section, const std::string& key,
                const std::string& value);
    std::optional<std::string> value(const std::string& file, const std::string& section,
                                     const std::string& key) const;
    bool fileExists(const std::string& file) const { return files_.count(file) != 0; }
    void removeFile(const std::string& file) { files_.erase(file); }

    std::string executableDirectory = "/opt/qs71dr/";
    bool failWrites = false;  // as with a read-only folder
    int reads = 0;
    int writes = 0;

private:
    struct NoCase {
        bool operator()(const std::string& a, const std::string& b) const;
    };
    using Section = std::map<std::string, std::string, NoCase>;
    using File = std::map<std::string, Section, NoCase>;
    std::map<std::string, File> files_;
};

}  // namespace qs
