#pragma once

// What the radio's readings show on a bench: the values the reading command (03) answers.
//
// Reading codes (the number that the command's two ASCII hexadecimal digits spell):
//    0 VIN supply, steady at `vin` (default 191, about 7.5 V on the 10 V scale)
//    3 TEMPS thermistor, steady at `temp` (default 174, about 25 degrees C)
//    4 SD signal detector, from the two band-pass settings (addresses 84 and 85):
//        SD = clamp(sdPeak - sdFallPerStep * (excess1 + excess2), sdFloor, 255)
//        excess_i = max(0, |setting_i - bpfPeak_i| - bpfWidth_i)
//      so each filter has a plateau of equal maxima from peak - width to peak + width.
//      Defaults: BPF T1 peak 64, BPF T2 peak 74, both width 4; sdPeak 200, fall 2, floor 10.
//      A sweep of either kind (step 1 over 0..255, or step 2 over 0..128) ends at the peak.
//    5 LVIN level-adjust input, rising with the last RX LVA or TX LVA value sent
//      (before any, the stored RX LVA at address 92):
//        LVIN = clamp(lvinLow + (lvinHigh - lvinLow) * setting / 255, 0, 255)   (integer)
//      Defaults 20 and 220: LVIN 120 at setting 128, 150 at 166 (builtin_image.h targets).
//      Make a target unreachable by bringing lvinHigh below it (or lvinLow above it).
//   11..19 (decimal; 0B..13 hexadecimal) the control readings follow their settings:
//      11 CTCSS (83), 12 REF (173), 13 MOD BAL (106), 14 Dev (105), 15 SQL Lev (184),
//      16 T1/POW (84), 17 BPF T2 (85), 18 TX LVA (93), 19 RX LVA (92)
//   any other code reads 0.
// With a service monitor coupled (--monitor) SD and LVIN follow its generator instead, as
// monitor_curves.h says.
// `wobble` makes VIN and TEMPS drift by up to that many steps (0, +w, 0, -w, ...) from one
// reading to the next, as real supplies and sensors do; 0 keeps them fixed.

#include <cstdint>

#include "memory_image.h"

namespace qtsim {

struct BenchCurves {
    int vin = 191;
    int temp = 174;
    int wobble = 1;
    int bpfPeak[2] = {64, 74};
    int bpfWidth[2] = {4, 4};
    int sdPeak = 200;
    int sdFallPerStep = 2;
    int sdFloor = 10;
    int lvinLow = 20;
    int lvinHigh = 220;
};

inline constexpr int kReadingVin = 0x00;
inline constexpr int kReadingTemp = 0x03;
inline constexpr int kReadingDetector = 0x04;
inline constexpr int kReadingLevelInput = 0x05;

// What a coupled service monitor's generator does to the receiver now (monitor_curves.h).
struct Reception {
    int detectorPeak = 0;
    double quieting = 0.0;
    bool receiverLevelAdjust = true;  // the last level-adjust setting was RX LVA
};

class BenchModel {
public:
    explicit BenchModel(BenchCurves curves = {}) : curves_(curves) {}

    const BenchCurves& curves() const { return curves_; }
    void setCurves(const BenchCurves& curves) { curves_ = curves; }

    // The value a reading with this code shows now; each call is one reading. `reception` is
    // null without a monitor.
    std::uint8_t reading(int code, const MemoryImage& image, int lastLevelAdjust,
                         const Reception* reception = nullptr);

    // The curves on their own, for tests and the documentation above.
    int detector(int bpf1, int bpf2) const { return detector(bpf1, bpf2, curves_.sdPeak); }
    int detector(int bpf1, int bpf2, int peak) const;
    int levelInput(int levelAdjust) const;

private:
    int wobbled(int value);

    BenchCurves curves_;
    unsigned readings_ = 0;
};

}  // namespace qtsim
