#include "shell/hidden_keys.h"

#include <array>
#include <cstdint>

namespace qs {

namespace {

// Each byte is the character XOR a key that moves on with its position.
constexpr std::array<std::uint8_t, 13> kScrambledSecret = {0xEA, 0x96, 0xA2, 0x52, 0x74, 0x1A, 0x1D,
                                                           0x2F, 0xCF, 0x8B, 0xEE, 0xCF, 0x2B};
constexpr std::array<std::uint8_t, 32> kScrambledCaption = {
    0xF4, 0x97, 0xCE, 0x35, 0x10, 0x04, 0x0D, 0x5E, 0xDC, 0xF8, 0x91, 0xDA, 0x4B, 0x5D, 0x21, 0x58,
    0xA4, 0x9A, 0xE3, 0xD2, 0x3C, 0x10, 0x0D, 0x0B, 0xE3, 0xCF, 0xA3, 0xCA, 0x64, 0x47, 0x23, 0x03};

template <std::size_t N>
std::string Unscramble(const std::array<std::uint8_t, N>& bytes) {
    std::string text;
    for (std::size_t i = 0; i < N; ++i) {
        const auto key = static_cast<std::uint8_t>(0xA5 + 31 * i);
        text += static_cast<char>(bytes[i] ^ key);
    }
    return text;
}

}  // namespace

char HiddenKeySequence::Transform(char typed) {
    if (typed >= 'a' && typed <= 'z') typed = static_cast<char>(typed - 'a' + 'A');
    if (typed >= 'A' && typed <= 'Z') return static_cast<char>('A' + (typed - 'A' + 13) % 26);
    if (typed >= '0' && typed <= '9') return static_cast<char>('0' + (typed - '0' + 5) % 10);
    return typed;
}

bool HiddenKeySequence::Type(char typed) {
    buffer_ += Transform(typed);
    if (buffer_.size() > kBufferChars) buffer_.erase(0, buffer_.size() - kBufferChars);
    return buffer_ == Secret();
}

std::string HiddenKeySequence::Secret() {
    return Unscramble(kScrambledSecret);
}

std::string HiddenKeySequence::Caption() {
    return Unscramble(kScrambledCaption);
}

}  // namespace qs
