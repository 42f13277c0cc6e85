#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/bytes.h"

namespace qs {

// One saved memory image with what identifies the radio it came from.
//
// On disk it is plain text, so a maintainer can read it with any editor and check it with
// any CRC-32 tool (the checksum covers the 32112 image bytes only):
//
//   QS-71DR ADJ memory backup
//   Format: 1
//   Model: 3017
//   Sub code: 0102
//   Identification: EFEEE130170102...      (the radio's identification answer, hex)
//   Date: 2026-12-07 10:46:02               (local time of the read)
//   Bytes: 32112
//   CRC-32: 1C291CA3
//   Data:
//   0000: 00112233...                        (32 bytes a line, address in hex)
//   ...
//   7D60: ...                                (the last line holds 16 bytes)
//   End
struct BackupRecord {
    std::string modelCode;
    std::string subCode;
    Bytes identification;
    std::string dateTime;
    Bytes image;
};

inline constexpr const char* kBackupExtension = ".qsbak";
inline constexpr std::size_t kBackupImageBytes = 32112;
inline constexpr std::size_t kBackupBytesPerLine = 32;
// Far above any real backup (about 70 KB); anything larger is not read.
inline constexpr std::size_t kMaxBackupFileBytes = 1024 * 1024;
// The identification answer is one frame body, which the driver keeps to 256 bytes.
inline constexpr std::size_t kMaxIdentificationBytes = 256;

// The file's text for a record whose image holds kBackupImageBytes bytes.
std::string BackupText(const BackupRecord& record);
// Reads the text back; false with `error` saying what is wrong (checksum included).
bool ParseBackup(const std::string& text, BackupRecord& record, std::string& error);
bool ReadBackupFile(const std::string& path, BackupRecord& record, std::string& error);

}  // namespace qs
