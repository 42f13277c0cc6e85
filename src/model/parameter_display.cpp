// The parameter page: one line per stored adjustment value, as the technician reads them.
#include <array>

#include "model/number_format.h"
#include "model/rig_k52t_eep.h"

namespace qs {
namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr int kBandCount = 7;
constexpr std::int32_t kSlantTableAdr = 124;
constexpr std::int32_t kSlantRecordBytes = 6;
constexpr std::size_t kValueWidth = 4;
constexpr std::size_t kFrequencyWidth = 8;
constexpr double kHzPerMHz = 1000000.0;

enum class Format { Unsigned, Signed };

struct Line {
    const char* label;
    std::int32_t address;
    Format format;
};

constexpr std::array<Line, 13> kLevelLines{{
    {"                POW HI Level: ", 168, Format::Unsigned},
    {"                POW L2 Level: ", 167, Format::Unsigned},
    {"                POW L1 Level: ", 166, Format::Unsigned},
    {"                   BAL Level: ", 106, Format::Unsigned},
    {"                   MOD Level: ", 105, Format::Unsigned},
    {"             CTCS/DTCS Level: ", 83, Format::Unsigned},
    {"                   SQL Level: ", 184, Format::Unsigned},
    {"                   REF Level: ", 173, Format::Unsigned},
    {"              BPF Correction: ", 86, Format::Unsigned},
    {"                BPF T1 Level: ", 84, Format::Unsigned},
    {"                BPF T2 Level: ", 85, Format::Unsigned},
    {"                RX LVA Level: ", 92, Format::Unsigned},
    {"                TX LVA Level: ", 93, Format::Unsigned},
}};

// Slant groups in display order: label up to the band digit, offset in the band record.
struct SlantGroup {
    const char* labelStem;
    std::int32_t offset;
};

constexpr std::array<SlantGroup, 6> kSlantGroups{{
    {"       MOD Slant(Freq) Band", 3},
    {"      Tone Slant(Freq) Band", 2},
    {"       POW Slant(Freq) Band", 5},
    {"       BAL Slant(Freq) Band", 4},
    {"    Rx LVA Slant(Freq) Band", 0},
    {"    Tx LVA Slant(Freq) Band", 1},
}};

constexpr std::array<Line, 5> kAreaLines{{
    {"        MOD Slant(Temp) Area: ", 90, Format::Signed},
    {"       Tone Slant(Temp) Area: ", 89, Format::Signed},
    {"        SQL Slant(Temp) Area: ", 88, Format::Signed},
    {"        BAL Slant(Temp) Area: ", 91, Format::Signed},
    {"             Tone Correction: ", 104, Format::Signed},
}};

constexpr const char* kBaseFreqLabel = "              Base Frequency: ";

constexpr std::array<Line, 2> kRssiLines{{
    {"               RSSI S1 Level: ", 169, Format::Unsigned},
    {"               RSSI S3 Level: ", 170, Format::Unsigned},
}};

std::string FormatUnsigned4(int v) {
    return PadLeft(std::to_string(v), kValueWidth);
}

std::string FormatSigned4(int v) {
    if (v >= 128) v -= 256;
    return PadLeft(std::to_string(v), kValueWidth);
}

std::string ValueText(const clsCmcEeprom& image, std::int32_t address, Format format) {
    int v = image.ReadByte(address);
    return format == Format::Signed ? FormatSigned4(v) : FormatUnsigned4(v);
}

template <std::size_t N>
void AppendLines(std::string& text, const clsCmcEeprom& image, const std::array<Line, N>& lines) {
    for (const Line& line : lines) {
        text += line.label + ValueText(image, line.address, line.format) + kLineEnd;
    }
}

}  // namespace

std::string clsIndEep_RigK52T::ParameterText() const {
    std::string text;
    AppendLines(text, image_, kLevelLines);
    for (const SlantGroup& group : kSlantGroups) {
        for (int band = 0; band < kBandCount; ++band) {
            std::int32_t address = kSlantTableAdr + kSlantRecordBytes * band + group.offset;
            text += group.labelStem + std::to_string(band) + ": " +
                    ValueText(image_, address, Format::Signed) + kLineEnd;
        }
    }
    AppendLines(text, image_, kAreaLines);
    text +=
        kBaseFreqLabel +
        PadLeft(FormatDigitPattern(ReadBaseFreqBlock() / kHzPerMHz, "###0.##0"), kFrequencyWidth) +
        "MHz" + kLineEnd;
    AppendLines(text, image_, kRssiLines);
    return text;
}

void clsIndEep_RigK52T::DispPara(ITextBox& textBox) const {
    textBox.setText(ParameterText());
}

}  // namespace qs
