#include "channel_facts.h"

namespace qtsim {

namespace {

constexpr int kTableHeader = 290;
constexpr int kChannelObject = 2;
constexpr int kPowerObject = 3;
constexpr std::uint32_t kInhibited = 0xFFFFFFFF;

int read16(const MemoryImage& image, int address) {
    return image.read(address) << 8 | image.read(address + 1);
}

std::uint32_t read32(const MemoryImage& image, int address) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = value << 8 | image.read(address + i);
    return value;
}

struct Records {
    int address;
    int size;
    int count;
};

std::optional<Records> findObject(const MemoryImage& image, int object) {
    const int entryBytes = read16(image, kTableHeader);
    const int highest = read16(image, kTableHeader + 2);
    const int first = read16(image, kTableHeader + 4);
    if (entryBytes < 8) return std::nullopt;
    for (int i = 0; i <= highest && i < 64; ++i) {
        const int entry = first + i * entryBytes;
        if (read16(image, entry) != object) continue;
        return Records{read16(image, entry + 6), read16(image, entry + 2), read16(image, entry + 4)};
    }
    return std::nullopt;
}

std::optional<std::uint32_t> frequency(std::uint32_t value) {
    if (value == kInhibited || value == 0) return std::nullopt;
    return value;
}

}  // namespace

std::optional<ChannelFacts> channelFacts(const MemoryImage& image, int slot) {
    const auto channels = findObject(image, kChannelObject);
    if (!channels || slot < 0 || slot >= channels->count || channels->size < 8) return std::nullopt;
    const int record = channels->address + slot * channels->size;
    ChannelFacts facts;
    facts.rxHz = frequency(read32(image, record));
    facts.txHz = frequency(read32(image, record + 4));
    if (const auto power = findObject(image, kPowerObject); power && slot < power->count) {
        const int bits = image.read(power->address + slot * power->size) & 0x03;
        facts.power = bits == 0x03 ? PowerLevel::High : bits == 0x02 ? PowerLevel::Low2 : PowerLevel::Low1;
    }
    return facts;
}

int powerItemAddress(PowerLevel level) {
    switch (level) {
        case PowerLevel::High:
            return 168;
        case PowerLevel::Low2:
            return 167;
        case PowerLevel::Low1:
            return 166;
    }
    return 166;
}

}  // namespace qtsim
