#pragma once

#include <cstddef>
#include <string>

namespace qs {

// Reads and writes one key of a named section of an initialisation file
// ("[SECTION]" lines and "key=value" lines).
class IProfileStore {
public:
    virtual ~IProfileStore() = default;

    // Copies the key's value (or `defaultText` when the file, section or key is missing)
    // into `out`, cut to bufferSize - 1 characters; returns the number of characters copied.
    virtual std::size_t GetPrivateProfileString(const std::string& section, const std::string& key,
                                                const std::string& defaultText, std::string& out,
                                                std::size_t bufferSize,
                                                const std::string& file) = 0;
    // Writes key=value into the section, creating file, section or key as needed and keeping
    // every other line. Returns false when the file could not be written.
    virtual bool WritePrivateProfileString(const std::string& section, const std::string& key,
                                           const std::string& value, const std::string& file) = 0;
    // The folder of the running program.
    virtual std::string ExecutableDirectory() const = 0;
};

}  // namespace qs
