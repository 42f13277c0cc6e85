#include "wire_format.h"

namespace qtsim {

char hexDigit(int nibble) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return kDigits[nibble & 0x0F];
}

std::optional<int> hexValue(std::uint8_t ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    return std::nullopt;
}

std::optional<int> asciiHexByte(std::uint8_t high, std::uint8_t low) {
    const auto h = hexValue(high);
    const auto l = hexValue(low);
    if (!h || !l) return std::nullopt;
    return *h * 16 + *l;
}

void appendAsciiHex(Bytes& out, std::uint8_t value) {
    out.push_back(static_cast<std::uint8_t>(hexDigit(value >> 4)));
    out.push_back(static_cast<std::uint8_t>(hexDigit(value)));
}

std::optional<Bytes> codeBytes(const std::string& code) {
    if (code.size() != 4) return std::nullopt;
    Bytes out;
    for (std::size_t i = 0; i < 4; i += 2) {
        const auto value = asciiHexByte(static_cast<std::uint8_t>(code[i]),
                                        static_cast<std::uint8_t>(code[i + 1]));
        if (!value) return std::nullopt;
        out.push_back(static_cast<std::uint8_t>(*value));
    }
    return out;
}

std::string hexDump(const Bytes& bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) text.push_back(' ');
        text.push_back(hexDigit(bytes[i] >> 4));
        text.push_back(hexDigit(bytes[i]));
    }
    return text;
}

Bytes radioFrame(std::uint8_t command, const Bytes& data) {
    // Sized up front: growing a five-byte vector here trips a false -Warray-bounds in GCC 12
    // at -O2.
    Bytes frame;
    frame.reserve(data.size() + 6);
    frame.push_back(kPreamble);
    frame.push_back(kPreamble);
    frame.push_back(kProgramAddress);
    frame.push_back(kRadioAddress);
    frame.push_back(command);
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(kEndMark);
    return frame;
}

std::uint8_t blockChecksum(std::uint16_t address, const Bytes& data) {
    unsigned sum = (address >> 8) + (address & 0xFF) + static_cast<unsigned>(data.size() & 0xFF);
    for (std::uint8_t b : data)
        sum += b;
    return static_cast<std::uint8_t>((256 - sum % 256) % 256);
}

Bytes dataBlockFrame(std::uint16_t address, const Bytes& data) {
    Bytes text;
    appendAsciiHex(text, static_cast<std::uint8_t>(address >> 8));
    appendAsciiHex(text, static_cast<std::uint8_t>(address & 0xFF));
    appendAsciiHex(text, static_cast<std::uint8_t>(data.size()));
    for (std::uint8_t b : data)
        appendAsciiHex(text, b);
    appendAsciiHex(text, blockChecksum(address, data));
    return radioFrame(kCmdDataBlock, text);
}

Bytes endOfReadFrame(int blockCount) {
    Bytes data(std::begin(kMakerBytes), std::end(kMakerBytes));
    appendAsciiHex(data, static_cast<std::uint8_t>(blockCount & 0xFF));
    return radioFrame(kCmdEndOfRead, data);
}

}  // namespace qtsim
