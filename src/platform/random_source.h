#pragma once

#include <cstddef>
#include <cstdint>

namespace qs {

// Unpredictable bytes, for identifiers that must not collide between programs and benches.
class IRandomSource {
public:
    virtual ~IRandomSource() = default;
    virtual void Fill(std::uint8_t* out, std::size_t count) = 0;
};

}  // namespace qs
