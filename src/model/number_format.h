#pragma once

#include <string>
#include <string_view>

namespace qs {

// Writes `value` by a digit pattern such as "##0.#0V", "###.#0'C", "0.00%" or "###0.#####0":
// "0" is a digit always written, "#" a digit written only when significant, "." the decimal
// point, "%" multiplies by 100 and is copied, every other character is copied. Decimal places
// after the last "0" of the fraction are dropped when they are zero; rounding is half away
// from zero on the value's 15 significant decimal digits, as a bench calculator would.
std::string FormatDigitPattern(double value, std::string_view pattern);

// `text` padded on the left with blanks to `width` characters (longer texts are kept whole).
std::string PadLeft(const std::string& text, std::size_t width);

}  // namespace qs
