#include "model/number_format.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qs {
namespace {

bool IsPlaceholder(char c) {
    return c == '0' || c == '#';
}

// The parts of a digit pattern that decide how a number is written.
struct Pattern {
    std::string prefix;    // literal text before the first placeholder
    std::string suffix;    // literal text after the last placeholder
    int minIntDigits = 0;  // "0" placeholders before the point
    bool hasPoint = false;
    int maxDecimals = 0;  // placeholders after the point
    int minDecimals = 0;  // position of the last "0" after the point
    bool percent = false;
};

Pattern ParsePattern(std::string_view pattern) {
    Pattern p;
    std::size_t first = pattern.find_first_of("0#.");
    std::size_t last = pattern.find_last_of("0#.");
    if (first == std::string_view::npos) {
        p.prefix = std::string(pattern);
    } else {
        p.prefix = std::string(pattern.substr(0, first));
        p.suffix = std::string(pattern.substr(last + 1));
        bool afterPoint = false;
        for (std::size_t i = first; i <= last; ++i) {
            char c = pattern[i];
            if (c == '.') {
                afterPoint = true;
                p.hasPoint = true;
            } else if (!afterPoint && c == '0') {
                ++p.minIntDigits;
            } else if (afterPoint && IsPlaceholder(c)) {
                ++p.maxDecimals;
                if (c == '0') p.minDecimals = p.maxDecimals;
            }
        }
    }
    p.percent = pattern.find('%') != std::string_view::npos;
    return p;
}

// Decimal digits of |value| rounded half away from zero to `decimals` places, taken from its
// 15 significant digits so that 2.675 rounds as written rather than as stored in binary.
// Returns the integer digits (no leading zeros, possibly empty) and exactly `decimals` digits.
void RoundDecimal(double magnitude, int decimals, std::string& intDigits, std::string& fracDigits) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", magnitude);
    // buf: d.dddddddddddddde[+-]XX
    std::string mantissa;
    mantissa += buf[0];
    mantissa.append(buf + 2, 14);
    int exponent = std::atoi(std::strchr(buf, 'e') + 1);
    // All digits as an integer string with `pointPos` digits before the decimal point.
    std::string digits = mantissa;
    int pointPos = exponent + 1;
    if (pointPos < 0) {
        digits.insert(0, static_cast<std::size_t>(-pointPos), '0');
        pointPos = 0;
    }
    int keep = pointPos + decimals;
    if (static_cast<int>(digits.size()) < keep + 1) {
        digits.append(static_cast<std::size_t>(keep + 1 - static_cast<int>(digits.size())), '0');
    }
    bool roundUp = digits[static_cast<std::size_t>(keep)] >= '5';
    digits.resize(static_cast<std::size_t>(keep));
    if (roundUp) {
        int i = keep - 1;
        while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9') {
            digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i >= 0) {
            ++digits[static_cast<std::size_t>(i)];
        } else {
            digits.insert(0, 1, '1');
            ++pointPos;
        }
    }
    intDigits = digits.substr(0, static_cast<std::size_t>(pointPos));
    fracDigits = digits.substr(static_cast<std::size_t>(pointPos));
    std::size_t nonZero = intDigits.find_first_not_of('0');
    intDigits = nonZero == std::string::npos ? std::string() : intDigits.substr(nonZero);
}

}  // namespace

std::string FormatDigitPattern(double value, std::string_view pattern) {
    Pattern p = ParsePattern(pattern);
    if (p.percent) value *= 100.0;
    if (!std::isfinite(value)) value = 0.0;

    std::string intDigits;
    std::string fracDigits;
    RoundDecimal(std::fabs(value), p.maxDecimals, intDigits, fracDigits);
    while (static_cast<int>(fracDigits.size()) > p.minDecimals && fracDigits.back() == '0') {
        fracDigits.pop_back();
    }
    if (static_cast<int>(intDigits.size()) < p.minIntDigits) {
        intDigits.insert(0, static_cast<std::size_t>(p.minIntDigits) - intDigits.size(), '0');
    }
    // A value that rounds to zero is written without a sign.
    bool negative = value < 0 && (intDigits.find_first_not_of('0') != std::string::npos ||
                                  fracDigits.find_first_not_of('0') != std::string::npos);

    std::string out = p.prefix;
    if (negative) out += '-';
    out += intDigits;
    if (p.hasPoint) out += '.' + fracDigits;
    out += p.suffix;
    return out;
}

std::string PadLeft(const std::string& text, std::size_t width) {
    if (text.size() >= width) return text;
    return std::string(width - text.size(), ' ') + text;
}

}  // namespace qs
