#include "record/untrusted_text.h"

namespace qs {

std::string UntrustedTextFault(std::string_view text, std::size_t maxChars, LineBreaks breaks) {
    std::size_t chars = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        // A byte 10xxxxxx continues the character before it.
        if ((byte & 0xC0) != 0x80 && ++chars > maxChars)
            return "longer than " + std::to_string(maxChars) + " characters";
        const bool lineBreak = c == '\t' || c == '\r' || c == '\n';
        if ((byte < 0x20 || byte == 0x7F) && !(lineBreak && breaks == LineBreaks::Allowed))
            return "a control character";
    }
    return {};
}

}  // namespace qs
