#pragma once

// Facts about the built-in memory image that tests and demonstrations rely on. Addresses are
// decimal byte addresses; multi-byte fields are big-endian.
//
// Parameter table (header at 290-295): entry size 8, highest index 4, entries from 300:
//   object 1 (radio settings)    size 32, 1 record,   at 200
//   object 2 (channel records)   size 8,  40 records, at 512   (rx Hz at +0, tx Hz at +4)
//   object 3 (channel power)     size 2,  40 records, at 848   (byte 0 bits 1..0: 11 High,
//                                                               10 Low2, 0x Low1)
//   object 4 (scan flags)        size 1,  40 records, at 928
//   object 6 (memory names)      size 16, 8 records,  at 1024
// Channels in use (0-based slot: receive / transmit MHz, power):
//    0: 146.520 / 146.520 High      1: 145.500 / 145.500 Low2    2: 147.000 / 147.600 High
//    3: 146.940 / 146.340 Low1      4: 151.625 / 151.625 Low1    5: 154.570 / 154.570 Low2
//    6: 155.160 / tx inhibited High 7: rx inhibited / 156.800 Low2
//    8: 162.550 / tx inhibited High 9: 136.000 / 136.000 Low1
//   12: 158.775 / 158.775 High     13: 160.215 / 164.815 Low2   14: 173.975 / 173.975 Low1
//   20: 144.390 / 144.390 High     21: 169.000 / 164.000 Low2
// Every other of the 40 slots is empty (all zero). Bytes from 1152 to the end are erased (FF).

#include <cstdint>

namespace qtsim::builtin {

inline constexpr int kChannelsInUse = 15;

inline constexpr int kBaseFrequencyAddress = 80;  // 1360 = 136.0 MHz in 100 kHz units
inline constexpr int kBaseFrequency100kHz = 1360;

// Adjustment values the parameter display shows (unsigned levels).
inline constexpr std::uint8_t kCtcsDtcsLevel = 88;  // address 83
inline constexpr std::uint8_t kBpfT1 = 60;          // address 84
inline constexpr std::uint8_t kBpfT2 = 80;          // address 85
inline constexpr std::uint8_t kBpfCorrection = 3;   // address 86
inline constexpr std::uint8_t kRxLva = 110;         // address 92
inline constexpr std::uint8_t kTxLva = 140;         // address 93
inline constexpr std::uint8_t kMod = 150;           // address 105
inline constexpr std::uint8_t kBalance = 126;       // address 106 and mirrors 99, 113, 120
inline constexpr std::uint8_t kPowerL1 = 70;        // address 166
inline constexpr std::uint8_t kPowerL2 = 120;       // address 167
inline constexpr std::uint8_t kPowerHi = 200;       // address 168
inline constexpr std::uint8_t kRssiS1 = 60;         // address 169
inline constexpr std::uint8_t kRssiS3 = 90;         // address 170
inline constexpr std::uint8_t kRef = 128;           // address 173
inline constexpr std::uint8_t kSql = 100;           // address 184

// Level targets for the automatic level adjustment. With the default LVIN curve
// (bench_model.h: 20 at setting 0 rising to 220 at 255) the bisection meets them exactly at
// RX LVA 128 (LVIN 120) and TX LVA 166 (LVIN 150).
inline constexpr std::uint8_t kRxLevelTarget = 120;  // address 174
inline constexpr std::uint8_t kTxLevelTarget = 150;  // address 175
inline constexpr std::uint8_t kRxLvaAtTarget = 128;
inline constexpr std::uint8_t kTxLvaAtTarget = 166;

// Signed temperature-area values (addresses 88..91) and the tone correction (104).
inline constexpr std::int8_t kSqlSlantTemp = -2;    // 88
inline constexpr std::int8_t kToneSlantTemp = 3;    // 89
inline constexpr std::int8_t kModSlantTemp = -5;    // 90
inline constexpr std::int8_t kBalSlantTemp = 1;     // 91
inline constexpr std::int8_t kToneCorrection = -4;  // 104

// Frequency slant records, band b at 124 + 6b: Rx LVA, Tx LVA, Tone, MOD, BAL, POW.
inline constexpr std::int8_t kSlants[7][6] = {
    {-3, -2, 4, 5, -1, 6}, {-2, -1, 3, 4, 0, 4},  {-1, 0, 2, 2, 0, 2},   {0, 0, 0, 0, 0, 0},
    {1, 1, -1, -2, 1, -2}, {2, 3, -3, -4, 1, -5}, {4, 5, -5, -7, 2, -9},
};

}  // namespace qtsim::builtin
