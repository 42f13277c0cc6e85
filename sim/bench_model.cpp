#include "bench_model.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace qtsim {

namespace {

int clampByte(int value) {
    return std::clamp(value, 0, 255);
}

struct ControlReading {
    int code;
    int address;
};

constexpr ControlReading kControlReadings[] = {
    {11, 83}, {12, 173}, {13, 106}, {14, 105}, {15, 184}, {16, 84}, {17, 85}, {18, 93}, {19, 92},
};

}  // namespace

int BenchModel::detector(int bpf1, int bpf2, int peak) const {
    const int settings[2] = {bpf1, bpf2};
    long excess = 0;
    for (int i = 0; i < 2; ++i) {
        excess += std::max(0, std::abs(settings[i] - curves_.bpfPeak[i]) - curves_.bpfWidth[i]);
    }
    const long value = peak - static_cast<long>(curves_.sdFallPerStep) * excess;
    return clampByte(static_cast<int>(std::max<long>(value, curves_.sdFloor)));
}

int BenchModel::levelInput(int levelAdjust) const {
    const int span = curves_.lvinHigh - curves_.lvinLow;
    return clampByte(curves_.lvinLow + span * clampByte(levelAdjust) / 255);
}

int BenchModel::wobbled(int value) {
    static constexpr int kPattern[4] = {0, 1, 0, -1};
    const int offset = kPattern[readings_++ % 4] * curves_.wobble;
    return clampByte(value + offset);
}

std::uint8_t BenchModel::reading(int code, const MemoryImage& image, int lastLevelAdjust,
                                 const Reception* reception) {
    switch (code) {
        case kReadingVin:
            return static_cast<std::uint8_t>(wobbled(curves_.vin));
        case kReadingTemp:
            return static_cast<std::uint8_t>(wobbled(curves_.temp));
        case kReadingDetector:
            return static_cast<std::uint8_t>(detector(
                image.read(84), image.read(85), reception ? reception->detectorPeak : curves_.sdPeak));
        case kReadingLevelInput: {
            const int level = levelInput(lastLevelAdjust);
            if (!reception || !reception->receiverLevelAdjust) return static_cast<std::uint8_t>(level);
            const double heard = curves_.lvinLow + (level - curves_.lvinLow) * reception->quieting;
            return static_cast<std::uint8_t>(clampByte(static_cast<int>(std::lround(heard))));
        }
        default:
            break;
    }
    for (const ControlReading& control : kControlReadings) {
        if (control.code == code) return image.read(control.address);
    }
    return 0;
}

}  // namespace qtsim
