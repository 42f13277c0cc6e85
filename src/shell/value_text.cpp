#include "shell/value_text.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace qs {

namespace {

constexpr std::int64_t kCurrencyScale = 10000;

template <typename Float>
std::string ShortestText(Float v) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, result.ptr);
}

std::string CurrencyText(const Currency& c) {
    const bool negative = c.tenThousandths < 0;
    // Magnitude as unsigned so the most negative amount has one too.
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(c.tenThousandths)
                                             : static_cast<std::uint64_t>(c.tenThousandths);
    std::string text = std::to_string(magnitude / kCurrencyScale);
    std::string fraction = std::to_string(magnitude % kCurrencyScale);
    fraction.insert(0, 4 - fraction.size(), '0');
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    if (!fraction.empty()) text += "." + fraction;
    return negative ? "-" + text : text;
}

std::string Trimmed(const std::string& s) {
    const std::size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const std::size_t last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

// A plain decimal number: optional sign, digits, optional fraction and exponent.
std::optional<double> ParseNumber(const std::string& raw) {
    std::string text = Trimmed(raw);
    if (!text.empty() && text.front() == '+') text.erase(0, 1);
    if (text.empty()) return std::nullopt;
    const char first = text.front() == '-' && text.size() > 1 ? text[1] : text.front();
    if (!(std::isdigit(static_cast<unsigned char>(first)) || first == '.')) return std::nullopt;
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

// Rounded half to even, as the classic integer conversion does; nothing when out of range.
template <typename Int>
std::optional<Int> ToInteger(double value) {
    const double rounded = std::nearbyint(value);
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
        return std::nullopt;
    }
    return static_cast<Int>(rounded);
}

std::optional<int> Digits(const std::string& text, std::size_t pos, std::size_t count) {
    int value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool IsLeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::optional<DateTime> ParseStamp(const std::string& text) {
    static constexpr std::size_t kStampChars = 19;
    if (text.size() != kStampChars) return std::nullopt;
    const auto year = Digits(text, 0, 4);
    const auto month = Digits(text, 5, 2);
    const auto day = Digits(text, 8, 2);
    const auto hour = Digits(text, 11, 2);
    const auto minute = Digits(text, 14, 2);
    const auto second = Digits(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
    if (*year < 100 || *month < 1 || *month > 12 || *day < 1 || *day > DaysInMonth(*year, *month) ||
        *hour > 23 || *minute > 59 || *second > 59) {
        return std::nullopt;
    }
    return DateTime{*year, *month, *day, *hour, *minute, *second};
}

}  // namespace

std::string DateTimeStamp(const DateTime& when) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d.%02d.%02d-%02d:%02d:%02d", when.year, when.month,
                  when.day, when.hour, when.minute, when.second);
    return buffer;
}

std::optional<std::string> ValueToText(const TaggedValue& value) {
    switch (value.kind()) {
        case TaggedValue::Kind::Integer:
            return std::to_string(value.asInteger());
        case TaggedValue::Kind::Long:
            return std::to_string(value.asLong());
        case TaggedValue::Kind::Byte:
            return std::to_string(value.asByte());
        case TaggedValue::Kind::Single:
            return ShortestText(value.asSingle());
        case TaggedValue::Kind::Double:
            return ShortestText(value.asDouble());
        case TaggedValue::Kind::Currency:
            return CurrencyText(value.asCurrency());
        case TaggedValue::Kind::String:
            return value.asString();
        case TaggedValue::Kind::Date:
            return DateTimeStamp(value.asDate());
        case TaggedValue::Kind::Boolean:
            return std::string(value.asBoolean() ? "1" : "0");
        case TaggedValue::Kind::Empty:
            break;
    }
    return std::nullopt;
}

std::optional<TaggedValue> TextToValue(const std::string& text, TaggedValue::Kind kind) {
    using Kind = TaggedValue::Kind;
    switch (kind) {
        case Kind::String:
            return TaggedValue::String(text);
        case Kind::Boolean:
            return TaggedValue::Boolean(text != "0");
        case Kind::Date: {
            const auto when = ParseStamp(text);
            if (!when) return std::nullopt;
            return TaggedValue::Date(*when);
        }
        case Kind::Empty:
            return std::nullopt;
        default:
            break;
    }
    const auto number = ParseNumber(text);
    if (!number) return std::nullopt;
    switch (kind) {
        case Kind::Integer:
            if (const auto v = ToInteger<std::int16_t>(*number)) return TaggedValue::Integer(*v);
            return std::nullopt;
        case Kind::Long:
            if (const auto v = ToInteger<std::int32_t>(*number)) return TaggedValue::Long(*v);
            return std::nullopt;
        case Kind::Byte:
            if (const auto v = ToInteger<std::uint8_t>(*number)) return TaggedValue::Byte(*v);
            return std::nullopt;
        case Kind::Single:
            if (std::fabs(*number) > std::numeric_limits<float>::max()) return std::nullopt;
            return TaggedValue::Single(static_cast<float>(*number));
        case Kind::Double:
            return TaggedValue::Double(*number);
        case Kind::Currency: {
            static constexpr double kLargestCurrency = 9.2e14;
            if (std::fabs(*number) > kLargestCurrency) return std::nullopt;
            const auto scaled = static_cast<std::int64_t>(
                std::nearbyint(*number * static_cast<double>(kCurrencyScale)));
            return TaggedValue::FromCurrency(Currency{scaled});
        }
        default:
            return std::nullopt;
    }
}

}  // namespace qs
