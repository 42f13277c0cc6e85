#include "model/reading_text.h"

#include <array>
#include <cmath>
#include <cstdio>

#include "link/hex_text.h"
#include "model/number_format.h"

namespace qs {
namespace {

constexpr std::size_t kAnswerLength = 7;
constexpr std::int16_t kReadingCommand = 3;
constexpr int kFullScale = 255;
constexpr double kReferenceVolts = 5.0;
constexpr double kSupplyScaleVolts = 10.0;  // VIN is read through a 2:1 divider

constexpr double kSeriesOhms = 100000.0;
constexpr double kThermistorOhms = 47000.0;
constexpr double kThermistorBetaKelvin = 4000.0;
constexpr double kThermistorRefKelvin = 298.15;
constexpr double kZeroCelsiusKelvin = 273.15;

constexpr const char* kVoltPattern = "##0.#0V";
constexpr const char* kTempPattern = "###.#0'C";
constexpr const char* kPercentPattern = "0.00%";
constexpr std::size_t kVoltWidth = 7;
constexpr std::size_t kTempWidth = 8;

bool IsHexDigit(std::uint8_t b) {
    return HexDigitValue(b) >= 0;
}

// "200:C8h:" for v = 200.
std::string RawPart(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%3d:%02Xh:", v & 0xFF, v & 0xFF);
    return buf;
}

double Volts(int v) {
    return v * kReferenceVolts / kFullScale;
}

std::string VoltText(double volts) {
    return PadLeft(FormatDigitPattern(volts, kVoltPattern), kVoltWidth);
}

struct DaRow {
    const char* label;
    bool percent;
};

constexpr std::array<DaRow, kDaRowCount> kDaRows{{
    {"T1/POW :", false},
    {"BPF T2 :", false},
    {"TX LVA :", false},
    {"RX LVA :", false},
    {"REF    :", false},
    {"MOD BAL:", true},
    {"Dev    :", false},
    {"CTCSS  :", false},
    {"SQL Lev:", true},
}};

}  // namespace

std::string ReadingRequestText(std::int16_t code) {
    return ByteToHex2(kReadingCommand) + ByteToAsciiHexText(code);
}

bool CheckE8Answer(const Bytes& answer, const Bytes& idBytes) {
    if (answer.size() != kAnswerLength) return true;
    if (idBytes.size() > answer.size()) return true;
    for (std::size_t i = 0; i < idBytes.size(); ++i) {
        if (answer[i] != idBytes[i]) return true;
    }
    return !IsHexDigit(answer[5]) || !IsHexDigit(answer[6]);
}

std::int16_t E8AnswerValue(const Bytes& answer) {
    if (answer.size() < kAnswerLength) return 0;
    const int high = HexDigitValue(answer[5]);
    const int low = HexDigitValue(answer[6]);
    // Not digits: no value (rather than a negative one from the "not a digit" marks).
    if (high < 0 || low < 0) return 0;
    return static_cast<std::int16_t>(high * 16 + low);
}

double ThermistorCelsius(int raw) {
    double volts = Volts(raw);
    double ratio =
        ((kReferenceVolts * kSeriesOhms - volts * kSeriesOhms) / volts) / kThermistorOhms;
    return 1.0 / (std::log(ratio) / kThermistorBetaKelvin + 1.0 / kThermistorRefKelvin) -
           kZeroCelsiusKelvin;
}

std::string AdRowText(int index, int v) {
    switch (index) {
        case 0:
            return "VIN  :" + RawPart(v) + VoltText(v * kSupplyScaleVolts / kFullScale);
        case 1: {
            std::string row = "TEMPS:" + RawPart(v);
            if (v <= 0 || v >= kFullScale) return row + "*Error";
            return row +
                   PadLeft(FormatDigitPattern(ThermistorCelsius(v), kTempPattern), kTempWidth);
        }
        case 2:
            return "LVIN :" + RawPart(v) + VoltText(Volts(v));
        case 3:
            return "SD   :" + RawPart(v) + VoltText(Volts(v));
        default:
            return std::string();
    }
}

std::string DaRowText(int index, int v) {
    if (index < 0 || index >= kDaRowCount) return std::string();
    const DaRow& row = kDaRows[static_cast<std::size_t>(index)];
    std::string value =
        row.percent
            ? PadLeft(FormatDigitPattern(static_cast<double>(v) / kFullScale, kPercentPattern),
                      kVoltWidth)
            : VoltText(Volts(v));
    return row.label + RawPart(v) + value;
}

}  // namespace qs
