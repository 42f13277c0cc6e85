#pragma once

// What the virtual service monitor (--monitor) and the virtual radio do to each other. Without
// a monitor none of this applies and the radio reads as bench_model.h says.
//
// The generator into the radio's receiver:
//   The signal reaches the receiver when RF is on and the generator's frequency lies within
//   7.5 kHz of the test channel's receive frequency (the channel last selected with the
//   channel command, slot 0 before any). Otherwise the receiver has no signal.
//   SD (signal detector): the band-pass curve of bench_model.h, its peak set by the level:
//       peak = clamp(sdFloor + 2 * (level + 125 dBm), sdFloor, sdPeak)
//     -100 dBm gives 60, -60 dBm 140, -35 dBm and above the full 200. The fall per setting off
//     the plateau stays, so a sweep ends at the plateau's middle at any level whose peak
//     stands above the floor. No signal: SD reads sdFloor whatever the filters.
//   LVIN, while the last level-adjust setting sent was RX LVA (the receiver's audio; so also
//   before any): lvinLow + (the curve of bench_model.h - lvinLow) * quieting, quieting 0 with
//   no signal, rising in a straight line from -125 dBm to 1 at -110 dBm and above, so the
//   level adjustment meets its target as without a monitor from -110 dBm up. After TX LVA the
//   curve of bench_model.h holds.
//
// The meters on the radio's transmitter (the radio counts as keyed while a meter measures;
// the test channel's power level picks the power item: High 168, Low2 167, Low1 166):
//   power      W  = 8 * (item / 255)^2; Hi 200 gives 4.92 W, L2 120 1.77 W, L1 70 0.60 W;
//                   0 W when the channel does not transmit (transmit frequency inhibited)
//   deviation  Hz = 30 * MOD (105); MOD 150 gives 4500 Hz
//   frequency  Hz = transmit frequency * (1 + 0.1e-6 * (REF (173) - 143)); the stored REF 128
//                   leaves the carrier 1.5 ppm low (146.52 MHz reads 146519780.2 Hz)
//   With no carrier, deviation and frequency read 9.91E37 (SCPI's not-a-number) and leave
//   -230,"Data corrupt or stale;no carrier" in the error queue.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qtsim {

// The generator's output as the monitor sets it.
struct GeneratorOutput {
    bool rfOn = false;
    double frequencyHz = 100e6;
    double levelDbm = -60.0;
};

struct MonitorCurves {
    double channelHalfWidthHz = 7500.0;
    double detectorThresholdDbm = -125.0;
    double detectorStepsPerDb = 2.0;
    double fullQuietingDbm = -110.0;
    double maxPowerW = 8.0;
    double deviationHzPerStep = 30.0;
    double refPpmPerStep = 0.1;
    int refCentre = 143;
};

// The level at the receiver tuned to `rxHz`, nothing when no signal reaches it.
std::optional<double> receivedLevelDbm(const MonitorCurves& curves,
                                       const GeneratorOutput& generator,
                                       std::optional<std::uint32_t> rxHz);
// The detector's peak for a received level (no level: the floor).
int detectorPeak(const MonitorCurves& curves, std::optional<double> levelDbm, int sdFloor,
                 int sdPeak);
// 0 (no signal) to 1 (full quieting).
double quieting(const MonitorCurves& curves, std::optional<double> levelDbm);

double transmitPowerW(const MonitorCurves& curves, int powerItem);
double deviationHz(const MonitorCurves& curves, int mod);
double carrierHz(const MonitorCurves& curves, std::uint32_t txHz, int ref);

// The curves for --help, a line each.
std::vector<std::string> monitorHelpLines();

}  // namespace qtsim
