#pragma once

#include <cstdint>
#include <string>

#include "platform/bytes.h"

namespace qs {

// Conversions between ordinary text, hex text (two upper-case digits per byte) and byte
// strings, as the clone protocol and its callers use them. All are pure.

// Every backslash followed by "n" becomes CR LF; the length of the text does not change.
std::string ExpandNewLines(std::string text);
// One byte per character, the character's code.
Bytes TextToBytes(const std::string& text);
// The 16-bit two's-complement value that the leading hex digits of the bytes spell
// ("7FFF" 32767, "FFFF" -1); reading stops at the first non-digit; no digit gives 0.
std::int16_t AsciiHexToInt(const Bytes& digits);
// Hex text to bytes; spaces between byte pairs are skipped, a lone last character ignored.
Bytes HexTextToBytes(const std::string& hexText);
// Two upper-case hex digits per byte, no separators.
std::string BytesToHexText(const Bytes& bytes);
// The character codes of the two hex digits of the low byte, as hex text (0x3F -> "3346").
std::string ByteToAsciiHexText(std::int16_t value);
// Two upper-case hex digits of the low byte (5 -> "05").
std::string ByteToHex2(std::int16_t value);

// The value of one hex digit character, or -1 when it is not one (either case accepted).
inline int HexDigitValue(std::uint8_t character) {
    if (character >= '0' && character <= '9') return character - '0';
    if (character >= 'A' && character <= 'F') return character - 'A' + 10;
    if (character >= 'a' && character <= 'f') return character - 'a' + 10;
    return -1;
}

}  // namespace qs
