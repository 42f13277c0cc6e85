#include "port/frame_text.h"

#include <cstdint>

#include "link/hex_text.h"

namespace qs {
namespace {

constexpr std::uint8_t kPreamble = 0xFE;
constexpr std::uint8_t kEndMark = 0xFD;
constexpr std::size_t kHeaderBytes = 5;  // FE FE destination source command

std::string Code(const Bytes& data, std::size_t at) {
    if (data.size() < at + 2) return "?";
    return BytesToHexText(Bytes{data[at], data[at + 1]});
}

// Value of the two ASCII hex digits at `at`, or -1.
int AsciiByte(const Bytes& data, std::size_t at) {
    if (data.size() < at + 2) return -1;
    const int high = HexDigitValue(data[at]);
    const int low = HexDigitValue(data[at + 1]);
    if (high < 0 || low < 0) return -1;
    return high * 16 + low;
}

std::string Hex2(int v) {
    return ByteToHex2(static_cast<std::int16_t>(v));
}

std::string DataBlock(const Bytes& data) {
    const int high = AsciiByte(data, 0);
    const int low = AsciiByte(data, 2);
    const int count = AsciiByte(data, 4);
    if (high < 0 || low < 0 || count < 0) return "E4 data block (malformed)";
    return "E4 data block, address " + Hex2(high) + Hex2(low) + ", " + std::to_string(count) +
           " bytes";
}

std::string Adjustment(const Bytes& data, bool toRadio) {
    // model (2), sub code (2), command byte, value as two ASCII hex digits
    if (data.size() < 5) return toRadio ? "E8 adjustment (malformed)" : "E8 answer (malformed)";
    const std::string command = Hex2(data[4]);
    const int value = AsciiByte(data, 5);
    const std::string valueText = value < 0 ? "" : ", value " + std::to_string(value);
    if (!toRadio) return "E8 answer, command " + command + valueText;
    return "E8 adjustment, command " + command + valueText;
}

}  // namespace

std::string DescribeFrame(const Bytes& frame) {
    if (frame.size() < kHeaderBytes + 1 || frame[0] != kPreamble || frame[1] != kPreamble ||
        frame.back() != kEndMark) {
        return "not a frame";
    }
    const bool toRadio = frame[2] == 0xEE && frame[3] == 0xEF;
    const bool fromRadio = frame[2] == 0xEF && frame[3] == 0xEE;
    if (!toRadio && !fromRadio)
        return "frame with addresses " + Hex2(frame[2]) + " " + Hex2(frame[3]);
    const std::uint8_t command = frame[4];
    const Bytes data(frame.begin() + kHeaderBytes, frame.end() - 1);
    switch (command) {
        case 0xE0:
            return "E0 identification request, model " + Code(data, 0);
        case 0xE1:
            return "E1 identification answer, model " + Code(data, 0) + ", sub code " +
                   Code(data, 2);
        case 0xE2:
            return "E2 clone read request, model " + Code(data, 0) + ", sub code " + Code(data, 2);
        case 0xE4:
            return DataBlock(data);
        case 0xE5: {
            const int blocks = AsciiByte(data, 9);
            return "E5 end of clone read" +
                   (blocks < 0 ? std::string() : ", block count " + Hex2(blocks) + " (mod 256)");
        }
        case 0xE8:
            return Adjustment(data, toRadio);
        default:
            return "command " + Hex2(command);
    }
}

}  // namespace qs
