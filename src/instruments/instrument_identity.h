#pragma once

#include <string>

namespace qs::instruments {

// An answer to *IDN? in its four fields, "maker,model,serial,firmware", each trimmed; an
// answer with fewer fields leaves the later ones empty, one with more keeps the rest in
// `firmware`.
struct IdentityParts {
    std::string maker;
    std::string model;
    std::string serialNumber;
    std::string firmware;
    bool operator==(const IdentityParts&) const = default;
};

IdentityParts SplitIdentity(const std::string& answer);

}  // namespace qs::instruments
