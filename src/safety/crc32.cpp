#include "safety/crc32.h"

namespace qs {

std::uint32_t Crc32(const Bytes& data) {
    constexpr std::uint32_t kPolynomial = 0xEDB88320u;
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t byte : data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1u) != 0 ? (crc >> 1) ^ kPolynomial : crc >> 1;
    }
    return crc ^ 0xFFFFFFFFu;
}

}  // namespace qs
