#pragma once

#include <cstddef>
#include <string>

namespace qs {

// The hidden key sequence of the main window: characters typed on a command button are
// transformed, upper-cased and kept (the last 13); when they spell the fixed text the
// window caption changes. The texts are kept scrambled in the program.
class HiddenKeySequence {
public:
    static constexpr std::size_t kBufferChars = 13;

    // Adds one typed character; true when the buffer now spells the fixed text.
    bool Type(char typed);
    const std::string& buffer() const { return buffer_; }

    // The per-character rule: letters move 13 places round the alphabet, digits 5 places
    // round 0-9, anything else stays; the result is upper-case.
    static char Transform(char typed);
    // The text the buffer is compared with and the caption it unlocks.
    static std::string Secret();
    static std::string Caption();

private:
    std::string buffer_;
};

}  // namespace qs
