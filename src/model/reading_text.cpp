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

constexpr double kPercentScale = 100.0;
constexpr const char* kDegreesCelsius = "\xC2\xB0" "C";

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

// How a row turns its raw value into its value.
enum class Scale { Supply, Volts, Celsius, Percent };

struct RowSpec {
    const char* label;  // as the list shows it, with its colon
    const char* name;   // without padding, for charts and scripts
    Scale scale;
};

// A/D row 4 has no label and shows nothing.
constexpr std::array<RowSpec, kAdRowCount - 1> kAdRows{{
    {"VIN  :", "VIN", Scale::Supply},
    {"TEMPS:", "TEMPS", Scale::Celsius},
    {"LVIN :", "LVIN", Scale::Volts},
    {"SD   :", "SD", Scale::Volts},
}};

constexpr std::array<RowSpec, kDaRowCount> kDaRows{{
    {"T1/POW :", "T1/POW", Scale::Volts},
    {"BPF T2 :", "BPF T2", Scale::Volts},
    {"TX LVA :", "TX LVA", Scale::Volts},
    {"RX LVA :", "RX LVA", Scale::Volts},
    {"REF    :", "REF", Scale::Volts},
    {"MOD BAL:", "MOD BAL", Scale::Percent},
    {"Dev    :", "Dev", Scale::Volts},
    {"CTCSS  :", "CTCSS", Scale::Volts},
    {"SQL Lev:", "SQL Lev", Scale::Percent},
}};

const RowSpec* RowOf(ReadingGroup group, int index) {
    if (index < 0) return nullptr;
    const auto i = static_cast<std::size_t>(index);
    if (group == ReadingGroup::Ad) return i < kAdRows.size() ? &kAdRows[i] : nullptr;
    return i < kDaRows.size() ? &kDaRows[i] : nullptr;
}

bool TemperatureKnown(int v) {
    return v > 0 && v < kFullScale;
}

// The value as the row shows it, padded to the row's width.
std::string ShownValue(Scale scale, int v) {
    switch (scale) {
        case Scale::Supply:
            return PadLeft(FormatDigitPattern(v * kSupplyScaleVolts / kFullScale, kVoltPattern),
                           kVoltWidth);
        case Scale::Volts:
            return PadLeft(FormatDigitPattern(Volts(v), kVoltPattern), kVoltWidth);
        case Scale::Celsius:
            if (!TemperatureKnown(v)) return "*Error";
            return PadLeft(FormatDigitPattern(ThermistorCelsius(v), kTempPattern), kTempWidth);
        case Scale::Percent:
            return PadLeft(
                FormatDigitPattern(static_cast<double>(v) / kFullScale, kPercentPattern),
                kVoltWidth);
    }
    return std::string();
}

std::string RowText(ReadingGroup group, int index, int v) {
    const RowSpec* row = RowOf(group, index);
    if (row == nullptr) return std::string();
    return row->label + RawPart(v) + ShownValue(row->scale, v);
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsWordChar(char c) {
    return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// The units the rows' patterns write straight after the digits, and how a report writes them.
struct GluedUnit {
    const char* glued;
    const char* spaced;
};
constexpr GluedUnit kGluedUnits[] = {{"'C", kDegreesCelsius}, {"V", "V"}, {"%", "%"}};

}  // namespace

std::string SpacedUnits(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (!IsDigit(text[i])) continue;
        for (const GluedUnit& unit : kGluedUnits) {
            const std::size_t length = std::char_traits<char>::length(unit.glued);
            if (text.compare(i + 1, length, unit.glued) != 0) continue;
            // "7.49V" is a reading; "5V0" or "12VDC" are names, not a number and its unit.
            const std::size_t after = i + 1 + length;
            if (after < text.size() && IsWordChar(text[after])) continue;
            out += ' ';
            out += unit.spaced;
            i = after - 1;
            break;
        }
    }
    return out;
}

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
    return RowText(ReadingGroup::Ad, index, v);
}

std::string DaRowText(int index, int v) {
    return RowText(ReadingGroup::Da, index, v);
}

std::optional<ReadingValue> ReadingValueOf(ReadingGroup group, int index, int raw) {
    const RowSpec* row = RowOf(group, index);
    if (row == nullptr) return std::nullopt;
    ReadingValue reading;
    reading.name = row->name;
    reading.raw = raw;
    reading.text = Trimmed(ShownValue(row->scale, raw));
    switch (row->scale) {
        case Scale::Supply:
            reading.value = raw * kSupplyScaleVolts / kFullScale;
            reading.unit = "V";
            break;
        case Scale::Volts:
            reading.value = Volts(raw);
            reading.unit = "V";
            break;
        case Scale::Celsius:
            if (TemperatureKnown(raw)) reading.value = ThermistorCelsius(raw);
            reading.unit = kDegreesCelsius;
            break;
        case Scale::Percent:
            reading.value = raw * kPercentScale / kFullScale;
            reading.unit = "%";
            break;
    }
    return reading;
}

}  // namespace qs
