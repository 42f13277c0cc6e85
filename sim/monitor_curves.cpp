#include "monitor_curves.h"

#include <algorithm>
#include <cmath>

namespace qtsim {

std::optional<double> receivedLevelDbm(const MonitorCurves& curves,
                                       const GeneratorOutput& generator,
                                       std::optional<std::uint32_t> rxHz) {
    if (!generator.rfOn || !rxHz) return std::nullopt;
    if (std::fabs(generator.frequencyHz - static_cast<double>(*rxHz)) > curves.channelHalfWidthHz) {
        return std::nullopt;
    }
    return generator.levelDbm;
}

int detectorPeak(const MonitorCurves& curves, std::optional<double> levelDbm, int sdFloor,
                 int sdPeak) {
    if (!levelDbm) return sdFloor;
    const double rise = curves.detectorStepsPerDb * (*levelDbm - curves.detectorThresholdDbm);
    const double peak = sdFloor + std::floor(rise);
    return static_cast<int>(std::clamp(peak, static_cast<double>(sdFloor),
                                       static_cast<double>(std::max(sdFloor, sdPeak))));
}

double quieting(const MonitorCurves& curves, std::optional<double> levelDbm) {
    if (!levelDbm) return 0.0;
    const double span = curves.fullQuietingDbm - curves.detectorThresholdDbm;
    return std::clamp((*levelDbm - curves.detectorThresholdDbm) / span, 0.0, 1.0);
}

double transmitPowerW(const MonitorCurves& curves, int powerItem) {
    const double share = std::clamp(powerItem, 0, 255) / 255.0;
    return curves.maxPowerW * share * share;
}

double deviationHz(const MonitorCurves& curves, int mod) {
    return curves.deviationHzPerStep * std::clamp(mod, 0, 255);
}

double carrierHz(const MonitorCurves& curves, std::uint32_t txHz, int ref) {
    return static_cast<double>(txHz) * (1.0 + curves.refPpmPerStep * 1e-6 * (ref - curves.refCentre));
}

std::vector<std::string> monitorHelpLines() {
    return {
        "The generator reaches the radio when RF is on within 7.5 kHz of the test channel's",
        "receive frequency (the channel last selected; slot 0 before any):",
        "  SD    the band-pass curve above, its peak clamp(sd-floor + 2 * (level + 125 dBm),",
        "        sd-floor, sd-peak): -100 dBm 60, -60 dBm 140, -35 dBm and up 200; the sweep",
        "        ends at the plateau's middle at any level above the floor. No signal (RF off,",
        "        another frequency): SD reads sd-floor.",
        "  LVIN  after RX LVA: lvin-low + (its curve - lvin-low) * q, q rising from 0 at",
        "        -125 dBm to 1 at -110 dBm and up (0 without a signal); after TX LVA as above.",
        "The meters read the transmitter (the radio counts as keyed while measured), on the",
        "test channel:",
        "  MEAS:POW?     8 W * (power item / 255)^2, the item of the channel's power level",
        "                (High 168, Low2 167, Low1 166): 200 gives 4.92 W; 0 W if it cannot send",
        "  MEAS:FM:DEV?  30 Hz * MOD (105): 150 gives 4500 Hz",
        "  MEAS:FREQ?    transmit frequency * (1 + 0.1 ppm * (REF (173) - 143)): REF 128 is",
        "                1.5 ppm low",
        "  No carrier: deviation and frequency read 9.91E37 and queue -230.",
    };
}

}  // namespace qtsim
