#include "builtin_image.h"

#include <cstring>

#include "memory_image.h"

namespace qtsim {

namespace {

constexpr int kParamTableHeader = 290;
constexpr int kParamTableStart = 300;
constexpr int kParamEntryBytes = 8;
constexpr int kSettingsAddress = 200;
constexpr int kChannelAddress = 512;
constexpr int kChannelRecordBytes = 8;
constexpr int kPowerAddress = 848;
constexpr int kPowerRecordBytes = 2;
constexpr int kScanAddress = 928;
constexpr int kNamesAddress = 1024;
constexpr int kChannelSlots = 40;
constexpr int kFirstErasedAddress = 1152;
constexpr std::uint32_t kInhibited = 0xFFFFFFFF;

enum class Power : std::uint8_t { High = 0x03, Low2 = 0x02, Low1 = 0x00 };

struct Channel {
    int slot;
    std::uint32_t rxHz;
    std::uint32_t txHz;
    Power power;
};

constexpr Channel kChannels[] = {
    {0, 146520000, 146520000, Power::High},  {1, 145500000, 145500000, Power::Low2},
    {2, 147000000, 147600000, Power::High},  {3, 146940000, 146340000, Power::Low1},
    {4, 151625000, 151625000, Power::Low1},  {5, 154570000, 154570000, Power::Low2},
    {6, 155160000, kInhibited, Power::High}, {7, kInhibited, 156800000, Power::Low2},
    {8, 162550000, kInhibited, Power::High}, {9, 136000000, 136000000, Power::Low1},
    {12, 158775000, 158775000, Power::High}, {13, 160215000, 164815000, Power::Low2},
    {14, 173975000, 173975000, Power::Low1}, {20, 144390000, 144390000, Power::High},
    {21, 169000000, 164000000, Power::Low2},
};
static_assert(sizeof(kChannels) / sizeof(kChannels[0]) == builtin::kChannelsInUse);

void put16(MemoryImage& image, int address, int value) {
    image.write(address, static_cast<std::uint8_t>((value >> 8) & 0xFF));
    image.write(address + 1, static_cast<std::uint8_t>(value & 0xFF));
}

void put32(MemoryImage& image, int address, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        image.write(address + i, static_cast<std::uint8_t>(value >> (24 - 8 * i)));
    }
}

void putSigned(MemoryImage& image, int address, std::int8_t value) {
    image.write(address, static_cast<std::uint8_t>(value));
}

void putParamEntry(MemoryImage& image, int index, int object, int recordBytes, int records,
                   int address) {
    const int entry = kParamTableStart + index * kParamEntryBytes;
    put16(image, entry, object);
    put16(image, entry + 2, recordBytes);
    put16(image, entry + 4, records);
    put16(image, entry + 6, address);
}

void putIdentity(MemoryImage& image) {
    static constexpr char kName[] = "QT-71DR";
    for (std::size_t i = 0; i < std::strlen(kName); ++i) {
        image.write(static_cast<int>(i), static_cast<std::uint8_t>(kName[i]));
    }
    image.write(8, 0x01);  // memory layout revision
}

void putAdjustments(MemoryImage& image) {
    using namespace builtin;
    put16(image, kBaseFrequencyAddress, kBaseFrequency100kHz);
    image.write(83, kCtcsDtcsLevel);
    image.write(84, kBpfT1);
    image.write(85, kBpfT2);
    image.write(86, kBpfCorrection);
    putSigned(image, 88, kSqlSlantTemp);
    putSigned(image, 89, kToneSlantTemp);
    putSigned(image, 90, kModSlantTemp);
    putSigned(image, 91, kBalSlantTemp);
    image.write(92, kRxLva);
    image.write(93, kTxLva);
    image.write(99, kBalance);
    putSigned(image, 104, kToneCorrection);
    image.write(105, kMod);
    image.write(106, kBalance);
    image.write(113, kBalance);
    image.write(120, kBalance);
    for (int band = 0; band < 7; ++band) {
        for (int k = 0; k < 6; ++k)
            putSigned(image, 124 + 6 * band + k, kSlants[band][k]);
    }
    image.write(166, kPowerL1);
    image.write(167, kPowerL2);
    image.write(168, kPowerHi);
    image.write(169, kRssiS1);
    image.write(170, kRssiS3);
    image.write(173, kRef);
    image.write(174, kRxLevelTarget);
    image.write(175, kTxLevelTarget);
    image.write(184, kSql);
}

void putParamTable(MemoryImage& image) {
    put16(image, kParamTableHeader, kParamEntryBytes);
    put16(image, kParamTableHeader + 2, 4);  // highest entry index
    put16(image, kParamTableHeader + 4, kParamTableStart);
    putParamEntry(image, 0, 1, 32, 1, kSettingsAddress);
    putParamEntry(image, 1, 2, kChannelRecordBytes, kChannelSlots, kChannelAddress);
    putParamEntry(image, 2, 3, kPowerRecordBytes, kChannelSlots, kPowerAddress);
    putParamEntry(image, 3, 4, 1, kChannelSlots, kScanAddress);
    putParamEntry(image, 4, 6, 16, 8, kNamesAddress);
}

void putSettings(MemoryImage& image) {
    // Squelch step, beep, time-out timer and the like: plausible small values.
    static constexpr std::uint8_t kSettings[32] = {3, 1, 0, 6, 0, 1, 2, 0, 5, 0, 0, 1, 0, 0, 3, 0};
    for (int i = 0; i < 32; ++i)
        image.write(kSettingsAddress + i, kSettings[i]);
}

void putChannels(MemoryImage& image) {
    for (const Channel& ch : kChannels) {
        const int record = kChannelAddress + ch.slot * kChannelRecordBytes;
        put32(image, record, ch.rxHz);
        put32(image, record + 4, ch.txHz);
        image.write(kPowerAddress + ch.slot * kPowerRecordBytes,
                    static_cast<std::uint8_t>(ch.power));
        image.write(kScanAddress + ch.slot, 1);
    }
}

}  // namespace

MemoryImage MemoryImage::builtIn() {
    MemoryImage image;
    for (int a = kFirstErasedAddress; a < kSizeBytes; ++a)
        image.write(a, 0xFF);
    putIdentity(image);
    putAdjustments(image);
    putParamTable(image);
    putSettings(image);
    putChannels(image);
    return image;
}

}  // namespace qtsim
