#include "history/connection_uid.h"

#include <array>
#include <cstdio>
#include <random>

namespace qs {

void SystemRandomSource::Fill(std::uint8_t* out, std::size_t count) {
    // On Linux the random device reads the kernel's generator, never a seeded sequence.
    std::random_device device;
    for (std::size_t i = 0; i < count;) {
        const unsigned int word = device();
        for (std::size_t b = 0; b < sizeof word && i < count; ++b, ++i)
            out[i] = static_cast<std::uint8_t>(word >> (8 * b));
    }
}

std::string NewConnectionUid(IRandomSource& random) {
    std::array<std::uint8_t, 16> bytes{};
    random.Fill(bytes.data(), bytes.size());
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // the usual variant
    std::string text;
    char hex[3] = {};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        std::snprintf(hex, sizeof hex, "%02x", bytes[i]);
        text += hex;
    }
    return text;
}

bool IsConnectionUuid(const std::string& text) {
    constexpr std::size_t kLength = 36;
    if (text.size() != kLength) return false;
    for (std::size_t i = 0; i < kLength; ++i) {
        const char c = text[i];
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
        if (dash ? c != '-' : !hex) return false;
    }
    return true;
}

std::string ImportedConnectionUid(const std::string& backupFileName, const std::string& crc) {
    std::string stem = backupFileName;
    const std::string extension = ".qsbak";
    if (stem.size() > extension.size() &&
        stem.compare(stem.size() - extension.size(), extension.size(), extension) == 0) {
        stem.resize(stem.size() - extension.size());
    }
    return "backup-" + stem + "-" + crc;
}

}  // namespace qs
