#pragma once

#include <cstdint>

namespace qs {

// Milliseconds since system start, read as a 32-bit signed value that wraps from its
// largest positive value to negative values.
class ITickSource {
public:
    virtual ~ITickSource() = default;
    virtual std::int32_t GetTickCount() const = 0;
};

}  // namespace qs
