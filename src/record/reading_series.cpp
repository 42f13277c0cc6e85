#include "record/reading_series.h"

#include <array>

#include "model/reading_text.h"

namespace qs {
namespace {

constexpr double kFullScale = 255.0;
constexpr double kReferenceVolts = 5.0;
constexpr double kSupplyScaleVolts = 10.0;
constexpr const char* kDegrees = "\xC2\xB0" "C";

enum class Scale { Supply, Volts, Celsius, Percent };

struct Row {
    const char* name;
    Scale scale;
};

constexpr std::array<Row, kAdRowCount - 1> kAdRows{{
    {"VIN", Scale::Supply},
    {"TEMPS", Scale::Celsius},
    {"LVIN", Scale::Volts},
    {"SD", Scale::Volts},
}};

constexpr std::array<Row, kDaRowCount> kDaRows{{
    {"T1/POW", Scale::Volts},
    {"BPF T2", Scale::Volts},
    {"TX LVA", Scale::Volts},
    {"RX LVA", Scale::Volts},
    {"REF", Scale::Volts},
    {"MOD BAL", Scale::Percent},
    {"Dev", Scale::Volts},
    {"CTCSS", Scale::Volts},
    {"SQL Lev", Scale::Percent},
}};

std::optional<Row> RowOf(ReadingGroup group, int index) {
    if (index < 0) return std::nullopt;
    const auto i = static_cast<std::size_t>(index);
    if (group == ReadingGroup::Ad) {
        if (i >= kAdRows.size()) return std::nullopt;
        return kAdRows[i];
    }
    if (i >= kDaRows.size()) return std::nullopt;
    return kDaRows[i];
}

}  // namespace

std::optional<ReadingSeriesInfo> ReadingSeries(ReadingGroup group, int index) {
    const auto row = RowOf(group, index);
    if (!row) return std::nullopt;
    switch (row->scale) {
        case Scale::Celsius:
            return ReadingSeriesInfo{row->name, kDegrees};
        case Scale::Percent:
            return ReadingSeriesInfo{row->name, "%"};
        case Scale::Supply:
        case Scale::Volts:
            break;
    }
    return ReadingSeriesInfo{row->name, "V"};
}

std::optional<double> ReadingSeriesValue(ReadingGroup group, int index, int raw) {
    const auto row = RowOf(group, index);
    if (!row) return std::nullopt;
    switch (row->scale) {
        case Scale::Supply:
            return raw * kSupplyScaleVolts / kFullScale;
        case Scale::Volts:
            return raw * kReferenceVolts / kFullScale;
        case Scale::Percent:
            return raw * 100.0 / kFullScale;
        case Scale::Celsius:
            if (raw <= 0 || raw >= 255) return std::nullopt;
            return ThermistorCelsius(raw);
    }
    return std::nullopt;
}

}  // namespace qs
