// The hex and text helpers on arbitrary text: no crash, and the round trips hold.
#include <cstddef>
#include <cstdint>
#include <string>

#include "link/hex_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const qs::Bytes raw(data, data + size);

    const qs::Bytes fromHex = qs::HexTextToBytes(text);
    if (fromHex.size() > size / 2) __builtin_trap();
    (void)qs::AsciiHexToInt(raw);
    (void)qs::ExpandNewLines(text);
    if (qs::ExpandNewLines(text).size() != text.size()) __builtin_trap();
    if (qs::TextToBytes(text) != raw) __builtin_trap();

    // Bytes to hex text and back is the identity.
    const std::string hex = qs::BytesToHexText(raw);
    if (hex.size() != 2 * size) __builtin_trap();
    if (qs::HexTextToBytes(hex) != raw) __builtin_trap();

    if (size >= 2) {
        const auto value = static_cast<std::int16_t>(data[0] << 8 | data[1]);
        const std::string two = qs::ByteToHex2(value);
        if (two.size() != 2) __builtin_trap();
        const std::string ascii = qs::ByteToAsciiHexText(value);
        if (ascii.size() != 4) __builtin_trap();
        // The ASCII digits of the low byte read back as that byte.
        if (qs::AsciiHexToInt(qs::HexTextToBytes(ascii)) != (value & 0xFF)) __builtin_trap();
    }
    return 0;
}
