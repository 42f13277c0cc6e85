#pragma once

// The radio's side of the clone protocol on the cloning cable: frame marks, addresses,
// command codes and the ASCII-hexadecimal field encoding. Written for the virtual radio alone.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qtsim {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kPreamble = 0xFE;
inline constexpr std::uint8_t kEndMark = 0xFD;
inline constexpr std::uint8_t kRadioAddress = 0xEE;
inline constexpr std::uint8_t kProgramAddress = 0xEF;

inline constexpr std::uint8_t kCmdIdentify = 0xE0;
inline constexpr std::uint8_t kCmdIdentity = 0xE1;
inline constexpr std::uint8_t kCmdCloneRead = 0xE2;
inline constexpr std::uint8_t kCmdDataBlock = 0xE4;
inline constexpr std::uint8_t kCmdEndOfRead = 0xE5;
inline constexpr std::uint8_t kCmdAdjust = 0xE8;

// The maker bytes that close every clone read.
inline constexpr std::uint8_t kMakerBytes[9] = {0x56, 0x65, 0x78, 0x61, 0x20,
                                                0x49, 0x6E, 0x63, 0x2E};

// Largest data block whose frame body (11 + 2n bytes) still fits the program's 256-byte
// receive buffer.
inline constexpr int kMaxBlockBytes = 122;

// Upper-case hexadecimal digit of a nibble (0..15).
char hexDigit(int nibble);
// Value of one ASCII hexadecimal digit, either case; nothing for any other byte.
std::optional<int> hexValue(std::uint8_t ch);
// Value of two ASCII hexadecimal digits; nothing when either is not a digit.
std::optional<int> asciiHexByte(std::uint8_t high, std::uint8_t low);
// Appends the two ASCII hexadecimal digits of a byte.
void appendAsciiHex(Bytes& out, std::uint8_t value);
// Four-digit code text such as "3017" as two raw bytes; nothing when it is not four hex digits.
std::optional<Bytes> codeBytes(const std::string& code);
// Bytes as upper-case hexadecimal pairs separated by blanks, for the frame log.
std::string hexDump(const Bytes& bytes);

// FE FE EF EE <command> <data> FD: a frame from the radio to the program.
Bytes radioFrame(std::uint8_t command, const Bytes& data);

// Checksum of a data block: makes address high, address low, count, data and the checksum
// itself add up to a multiple of 256.
std::uint8_t blockChecksum(std::uint16_t address, const Bytes& data);

// A whole E4 frame carrying `data` from `address`, everything after the command in ASCII hex.
Bytes dataBlockFrame(std::uint16_t address, const Bytes& data);
// A whole E5 frame: maker bytes and the block count modulo 256 as two ASCII hex digits.
Bytes endOfReadFrame(int blockCount);

}  // namespace qtsim
