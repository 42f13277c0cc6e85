#include "instruments/instrument_identity.h"

#include <array>

namespace qs::instruments {
namespace {

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

IdentityParts SplitIdentity(const std::string& answer) {
    IdentityParts parts;
    std::array<std::string*, 4> fields{&parts.maker, &parts.model, &parts.serialNumber,
                                       &parts.firmware};
    std::size_t start = 0;
    for (std::size_t i = 0; i < fields.size() && start <= answer.size(); ++i) {
        const bool last = i + 1 == fields.size();
        const std::size_t comma = last ? std::string::npos : answer.find(',', start);
        *fields[i] = Trimmed(answer.substr(start, comma == std::string::npos ? std::string::npos
                                                                             : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return parts;
}

}  // namespace qs::instruments
