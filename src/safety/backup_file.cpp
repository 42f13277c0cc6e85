#include "safety/backup_file.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "link/hex_text.h"
#include "safety/crc32.h"

namespace qs {
namespace {

constexpr const char* kTitleLine = "QS-71DR ADJ memory backup";
constexpr const char* kFormatVersion = "1";

std::string Hex8(std::uint32_t v) {
    char text[9] = {};
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(v));
    return text;
}

std::string Hex4(std::size_t v) {
    char text[5] = {};
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(v & 0xFFFFu));
    return text;
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool IsHexText(const std::string& text) {
    if (text.size() % 2 != 0) return false;
    for (char c : text) {
        if (!IsHexDigit(c)) return false;
    }
    return true;
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

// Hex text already checked with IsHexText.
void AppendHexBytes(const std::string& text, Bytes& out) {
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        out.push_back(
            static_cast<std::uint8_t>(DigitValue(text[i]) * 16 + DigitValue(text[i + 1])));
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The value of "Key: value", or false when the line is not that key.
bool Field(const std::string& line, const std::string& key, std::string& value) {
    const std::string prefix = key + ": ";
    if (line.compare(0, prefix.size(), prefix) != 0) return false;
    value = line.substr(prefix.size());
    return true;
}

bool IsCode(const std::string& text) {
    return text.size() == 4 && IsHexText(text);
}

}  // namespace

std::string BackupText(const BackupRecord& record) {
    std::string text;
    text += std::string(kTitleLine) + "\n";
    text += std::string("Format: ") + kFormatVersion + "\n";
    text += "Model: " + record.modelCode + "\n";
    text += "Sub code: " + record.subCode + "\n";
    text += "Identification: " + BytesToHexText(record.identification) + "\n";
    text += "Date: " + record.dateTime + "\n";
    text += "Bytes: " + std::to_string(record.image.size()) + "\n";
    text += "CRC-32: " + Hex8(Crc32(record.image)) + "\n";
    text += "Data:\n";
    for (std::size_t at = 0; at < record.image.size(); at += kBackupBytesPerLine) {
        const std::size_t n = std::min(kBackupBytesPerLine, record.image.size() - at);
        const auto first = record.image.begin() + static_cast<std::ptrdiff_t>(at);
        text += Hex4(at) + ": " +
                BytesToHexText(Bytes(first, first + static_cast<std::ptrdiff_t>(n))) + "\n";
    }
    text += "End\n";
    return text;
}

bool ParseBackup(const std::string& text, BackupRecord& record, std::string& error) {
    if (text.size() > kMaxBackupFileBytes) {
        error = "The file is too large to be a backup.";
        return false;
    }
    const std::vector<std::string> lines = SplitLines(text);
    constexpr std::size_t kHeaderLines = 9;
    if (lines.size() < kHeaderLines || lines[0] != kTitleLine) {
        error = "The file is not a QS-71DR ADJ memory backup.";
        return false;
    }
    std::string version, model, sub, ident, date, count, crc;
    if (!Field(lines[1], "Format", version) || !Field(lines[2], "Model", model) ||
        !Field(lines[3], "Sub code", sub) || !Field(lines[4], "Identification", ident) ||
        !Field(lines[5], "Date", date) || !Field(lines[6], "Bytes", count) ||
        !Field(lines[7], "CRC-32", crc) || lines[8] != "Data:") {
        error = "The backup's header is damaged.";
        return false;
    }
    if (version != kFormatVersion) {
        error = "The backup has format " + version + ", which this program does not know.";
        return false;
    }
    if (!IsCode(model) || !IsCode(sub) || !IsHexText(ident) ||
        ident.size() > 2 * kMaxIdentificationBytes || crc.size() != 8 || !IsHexText(crc) ||
        count != std::to_string(kBackupImageBytes)) {
        error = "The backup's header is damaged.";
        return false;
    }

    Bytes image;
    image.reserve(kBackupImageBytes);
    std::size_t row = kHeaderLines;
    for (; row < lines.size() && lines[row] != "End"; ++row) {
        const std::string& line = lines[row];
        const std::string prefix = Hex4(image.size()) + ": ";
        const std::string data = line.size() > prefix.size() ? line.substr(prefix.size()) : "";
        if (image.size() >= kBackupImageBytes || line.compare(0, prefix.size(), prefix) != 0 ||
            data.empty() || data.size() > 2 * kBackupBytesPerLine || !IsHexText(data)) {
            error = "The backup's data is damaged at line " + std::to_string(row + 1) + ".";
            return false;
        }
        AppendHexBytes(data, image);
    }
    if (row >= lines.size() || image.size() != kBackupImageBytes) {
        error = "The backup is incomplete.";
        return false;
    }
    // Either case of hex digits is accepted in the stored checksum.
    for (char& c : crc)
        c = static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
    if (Hex8(Crc32(image)) != crc) {
        error = "The backup's checksum does not match its data.";
        return false;
    }

    record.modelCode = model;
    record.subCode = sub;
    record.identification.clear();
    AppendHexBytes(ident, record.identification);
    record.dateTime = date;
    record.image = std::move(image);
    return true;
}

bool ReadBackupFile(const std::string& path, BackupRecord& record, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "Cannot open " + path + ".";
        return false;
    }
    std::string text(kMaxBackupFileBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return ParseBackup(text, record, error);
}

}  // namespace qs
