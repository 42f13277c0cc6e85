#pragma once

// The radio's EEPROM: 32112 bytes, addresses 0 to 32111. Adjustment commands write into it
// and a clone read sends it out, so a read after an adjustment returns the adjusted values.

#include <cstdint>
#include <string>
#include <vector>

namespace qtsim {

class MemoryImage {
public:
    static constexpr int kSizeBytes = 32112;

    // All bytes 0.
    MemoryImage();

    // The image of a programmed radio that the virtual radio starts with (builtin_image.h).
    static MemoryImage builtIn();

    int size() const { return kSizeBytes; }
    // 0 for an address outside the image.
    std::uint8_t read(int address) const;
    // Ignored for an address outside the image.
    void write(int address, std::uint8_t value);
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

    // A raw image file of exactly kSizeBytes bytes. On failure the image is unchanged and
    // `error` says why.
    bool loadFile(const std::string& path, std::string* error);
    bool saveFile(const std::string& path, std::string* error) const;

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace qtsim
