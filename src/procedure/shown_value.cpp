#include "procedure/shown_value.h"

#include <cmath>
#include <cstdio>

#include "procedure/message_text.h"

namespace qs::procedure {
namespace {

// Decimals a measurement is shown and judged with, in Quantity order.
constexpr int kDecimals[] = {2, 0, 1};

double Rounded(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

std::string Fixed(double value, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// A limit as the value is shown: "2.3 V", "146520000 Hz".
std::string WithUnit(double value, const std::string& unit) {
    return NumberText(value) + (unit.empty() ? "" : " " + unit);
}

}  // namespace

double ShownMeasurement(Quantity quantity, double value) {
    return Rounded(value, kDecimals[static_cast<std::size_t>(quantity)]);
}

SeenValue MeasurementValue(Quantity quantity, double value) {
    const int decimals = kDecimals[static_cast<std::size_t>(quantity)];
    const double shown = Rounded(value, decimals);
    const std::string unit(QuantityUnit(quantity));
    return {std::string(QuantityName(quantity)), Fixed(shown, decimals) + " " + unit, shown, unit};
}

SeenValue ReadingStepValue(const ReadingValue& reading) {
    std::optional<double> number;
    if (reading.value) number = Rounded(*reading.value, 2);
    return {reading.name, reading.text, number, reading.unit};
}

SeenValue ItemStepValue(const std::string& item, int value) {
    return {item, std::to_string(value), static_cast<double>(value), ""};
}

StepLimits MakeLimits(const Acceptance& acceptance, std::string_view unitView,
                      const ChannelFrequencies& channel) {
    const std::string unit(unitView);
    StepLimits limits;
    limits.unit = unit;
    if (acceptance.target) {
        const double target = Resolve(*acceptance.target, channel);
        limits.min = target - acceptance.tolerance;
        limits.max = target + acceptance.tolerance;
        limits.text = WithUnit(target, unit) + " ± " + WithUnit(acceptance.tolerance, unit);
        return limits;
    }
    limits.min = acceptance.min;
    limits.max = acceptance.max;
    if (acceptance.min && acceptance.max) {
        limits.text = NumberText(*acceptance.min) + " to " + WithUnit(*acceptance.max, unit);
    } else if (acceptance.min) {
        limits.text = "at least " + WithUnit(*acceptance.min, unit);
    } else {
        limits.text = "at most " + WithUnit(acceptance.max.value_or(0.0), unit);
    }
    return limits;
}

std::optional<std::string> OutsideLimits(const SeenValue& value, const StepLimits& limits) {
    if (!value.number) return value.name + " shows " + value.text + ", no value";
    // Limits are compared as written against the value as shown, so that what the
    // technician reads decides: a tiny tolerance for the binary fractions of both.
    constexpr double kSlack = 1e-9;
    const double v = *value.number;
    if (limits.min && v < *limits.min - kSlack * std::max(1.0, std::fabs(*limits.min))) {
        return value.text + " is below " + WithUnit(*limits.min, limits.unit);
    }
    if (limits.max && v > *limits.max + kSlack * std::max(1.0, std::fabs(*limits.max))) {
        return value.text + " is above " + WithUnit(*limits.max, limits.unit);
    }
    return std::nullopt;
}

}  // namespace qs::procedure
