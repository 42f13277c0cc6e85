#include "link/hex_text.h"

namespace qs {

namespace {
constexpr char kUpperDigits[] = "0123456789ABCDEF";

// Reads the leading hex digits of `text` as the program reads all hex text.
std::int16_t ReadHexNumber(const std::string& text) {
    std::uint32_t value = 0;
    std::size_t digits = 0;
    for (char c : text) {
        const int digit = HexDigitValue(static_cast<std::uint8_t>(c));
        if (digit < 0) break;
        // Beyond four digits only the low 16 bits are kept, so no input can overflow.
        value = ((value << 4) | static_cast<std::uint32_t>(digit)) & 0xFFFFU;
        ++digits;
    }
    if (digits == 0) return 0;
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
}
}  // namespace

std::string ExpandNewLines(std::string text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '\\' && text[i + 1] == 'n') {
            text[i] = '\r';
            text[i + 1] = '\n';
        }
    }
    return text;
}

Bytes TextToBytes(const std::string& text) {
    Bytes out;
    out.reserve(text.size());
    for (char c : text)
        out.push_back(static_cast<std::uint8_t>(c));
    return out;
}

std::int16_t AsciiHexToInt(const Bytes& digits) {
    return ReadHexNumber(std::string(digits.begin(), digits.end()));
}

Bytes HexTextToBytes(const std::string& hexText) {
    Bytes out;
    std::size_t pos = 0;
    while (hexText.size() - pos >= 2) {
        if (hexText[pos] == ' ') {
            ++pos;
            continue;
        }
        const std::int16_t value = ReadHexNumber(hexText.substr(pos, 2));
        out.push_back(static_cast<std::uint8_t>(value & 0xFF));
        pos += 2;
    }
    return out;
}

std::string BytesToHexText(const Bytes& bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        out.push_back(kUpperDigits[b >> 4]);
        out.push_back(kUpperDigits[b & 0x0F]);
    }
    return out;
}

std::string ByteToHex2(std::int16_t value) {
    return BytesToHexText(Bytes{static_cast<std::uint8_t>(value & 0xFF)});
}

std::string ByteToAsciiHexText(std::int16_t value) {
    return BytesToHexText(TextToBytes(ByteToHex2(value)));
}

}  // namespace qs
