#pragma once

// Small helpers shared by the virtual radio's tests.

#include <cstdint>
#include <string>
#include <vector>

#include "virtual_radio.h"
#include "wire_format.h"

namespace qtsim::testing {

// "FE FE EE EF" -> bytes; blanks are skipped.
inline Bytes hex(const std::string& text) {
    Bytes out;
    int high = -1;
    for (char c : text) {
        const auto v = hexValue(static_cast<std::uint8_t>(c));
        if (!v) continue;
        if (high < 0) {
            high = *v;
        } else {
            out.push_back(static_cast<std::uint8_t>(high * 16 + *v));
            high = -1;
        }
    }
    return out;
}

inline Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The frames the program sends.
inline Bytes identifyRequest() {
    return hex("FE FE EE EF E0 30 17 00 00 FD");
}
inline Bytes cloneReadRequest() {
    return hex("FE FE EE EF E2 30 17 01 02 FD");
}
// An adjustment command: E8, 3017, 0102, the command byte, the value as two ASCII digits.
inline Bytes adjustRequest(std::uint8_t command, std::uint8_t value) {
    Bytes frame = hex("FE FE EE EF E8 30 17 01 02");
    frame.push_back(command);
    appendAsciiHex(frame, value);
    frame.push_back(kEndMark);
    return frame;
}

// A radio that answers at once (no pacing), with steady readings.
inline RadioConfig instantConfig() {
    RadioConfig config;
    config.bitsPerSecond = 0;
    config.curves.wobble = 0;
    return config;
}

// Sends `request` at time 0 and returns everything the radio has sent back by then.
inline Bytes roundTrip(VirtualRadio& radio, const Bytes& request, std::int64_t nowMs = 0) {
    radio.fromProgram(request, nowMs);
    return radio.toProgram(nowMs);
}

// The answer part of an exchange: what follows the echo of the request.
inline Bytes answerTo(VirtualRadio& radio, const Bytes& request) {
    const Bytes all = roundTrip(radio, request);
    if (all.size() < request.size()) return {};
    return Bytes(all.begin() + static_cast<std::ptrdiff_t>(request.size()), all.end());
}

}  // namespace qtsim::testing

namespace qtsim::testing {

// Bodies of the frames in a stream from the radio (between the last FE and FD), skipping
// the echo and anything outside frames.
inline std::vector<Bytes> framesIn(const Bytes& stream) {
    std::vector<Bytes> bodies;
    Bytes body;
    bool inFrame = false;
    for (std::uint8_t b : stream) {
        if (b == kPreamble) {
            inFrame = true;
            body.clear();
        } else if (b == kEndMark) {
            if (inFrame && !body.empty()) bodies.push_back(body);
            inFrame = false;
        } else if (inFrame) {
            body.push_back(b);
        }
    }
    return bodies;
}

// Only the radio's frames (source EE, destination EF).
inline std::vector<Bytes> radioFramesIn(const Bytes& stream) {
    std::vector<Bytes> out;
    for (const Bytes& body : framesIn(stream)) {
        if (body.size() >= 3 && body[0] == kProgramAddress && body[1] == kRadioAddress) {
            out.push_back(body);
        }
    }
    return out;
}

struct DecodedBlock {
    bool wellFormed = false;  // odd length, all hexadecimal, count matches, checksum right
    int address = -1;
    Bytes data;
};

// An E4 body decoded on its own terms.
inline DecodedBlock decodeBlock(const Bytes& body) {
    DecodedBlock block;
    if (body.size() < 13 || body.size() % 2 == 0 || body[2] != kCmdDataBlock) return block;
    Bytes values;
    for (std::size_t i = 3; i + 1 < body.size(); i += 2) {
        const auto v = asciiHexByte(body[i], body[i + 1]);
        if (!v) return block;
        values.push_back(static_cast<std::uint8_t>(*v));
    }
    unsigned sum = 0;
    for (auto v : values)
        sum += v;
    const std::size_t count = values[2];
    block.address = values[0] * 256 + values[1];
    block.data.assign(values.begin() + 3, values.end() - 1);
    block.wellFormed = sum % 256 == 0 && count == block.data.size();
    return block;
}

}  // namespace qtsim::testing
