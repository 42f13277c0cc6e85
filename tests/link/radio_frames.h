#pragma once

// Builders for the frames a radio sends, so tests can play the radio byte for byte.

#include <cstdint>
#include <string>

#include "link/hex_text.h"
#include "platform/bytes.h"

namespace qs::testing {

inline Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// FE FE, body, FD.
inline Bytes RadioFrame(const Bytes& body) {
    return Cat(Cat(Bytes{0xFE, 0xFE}, body), Bytes{0xFD});
}

// Two ASCII hex characters per byte.
inline Bytes AsciiHex(const Bytes& raw) {
    return TextToBytes(BytesToHexText(raw));
}

struct IdentifyAnswer {
    std::string modelHex = "3017";
    std::string subHex = "0102";
    std::uint8_t formatByte = 0x01;
    std::string lastAddress = "7D6F";
    std::size_t length = 69;
};

// An identification answer body: EF EE E1, codes, count, format byte at 43, the last
// address as ASCII hex at 66..69 (when the body is long enough), zeros elsewhere.
inline Bytes IdentifyBody(const IdentifyAnswer& a = {}) {
    Bytes body(a.length, 0x00);
    body[0] = 0xEF;
    body[1] = 0xEE;
    body[2] = 0xE1;
    const Bytes codes = HexTextToBytes(a.modelHex + a.subHex);
    for (std::size_t i = 0; i < codes.size() && 3 + i < body.size(); ++i)
        body[3 + i] = codes[i];
    if (body.size() >= 8) body[7] = static_cast<std::uint8_t>(a.length - 7);
    if (body.size() >= 43) body[42] = a.formatByte;
    for (std::size_t i = 0; i < a.lastAddress.size() && 65 + i < body.size(); ++i) {
        body[65 + i] = static_cast<std::uint8_t>(a.lastAddress[i]);
    }
    return body;
}

inline std::uint8_t BlockChecksum(std::uint16_t address, const Bytes& data) {
    unsigned sum = (address >> 8) + (address & 0xFF) + data.size();
    for (std::uint8_t b : data)
        sum += b;
    return static_cast<std::uint8_t>((256 - sum % 256) % 256);
}

// A data block body: EF EE E4 and address, count, data and checksum as ASCII hex.
inline Bytes DataBlockBody(std::uint16_t address, const Bytes& data, int checksumDelta = 0) {
    const Bytes raw = Cat(
        Bytes{static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address & 0xFF),
              static_cast<std::uint8_t>(data.size())},
        data);
    const auto checksum = static_cast<std::uint8_t>(BlockChecksum(address, data) + checksumDelta);
    return Cat(Bytes{0xEF, 0xEE, 0xE4}, AsciiHex(Cat(raw, Bytes{checksum})));
}

// The end of a clone read: EF EE E5, the maker name, the block count as ASCII hex.
inline Bytes CloneEndBody(std::uint8_t blockCount) {
    return Cat(Cat(Bytes{0xEF, 0xEE, 0xE5}, HexTextToBytes("5665786120496E632E")),
               AsciiHex(Bytes{blockCount}));
}

// An adjustment answer: EF EE E8, codes, the command byte, then the answer data.
inline Bytes AdjustAnswerBody(std::uint8_t command, const Bytes& data = {},
                              const std::string& codesHex = "30170102") {
    return Cat(Cat(Cat(Bytes{0xEF, 0xEE, 0xE8}, HexTextToBytes(codesHex)), Bytes{command}), data);
}

}  // namespace qs::testing
