#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "model/operation_observer.h"
#include "platform/bytes.h"

namespace qs {

// The live-reading rows of the [A/D] and [D/A] lists: what each row asks the radio for and how
// its raw answer (0..255) is written.

inline constexpr int kAdRowCount = 5;
inline constexpr int kDaRowCount = 9;

// Command text of the request for channel `code`: command 03 and the code's two hexadecimal
// digits as ASCII (code 16 gives "033130").
std::string ReadingRequestText(std::int16_t code);

// True when a reading's answer is bad: not exactly 7 bytes, not starting with `idBytes`, or its
// last two bytes are not ASCII hexadecimal digits.
bool CheckE8Answer(const Bytes& answer, const Bytes& idBytes);
// The value the last two bytes of a reading's answer spell in hexadecimal, 0..255
// (0 for an answer too short to hold one or whose two bytes are not hexadecimal digits).
std::int16_t E8AnswerValue(const Bytes& answer);

// Thermistor temperature in degrees Celsius for a raw reading of 1..254 (47 kOhm, B = 4000 K,
// against 100 kOhm from 5 V).
double ThermistorCelsius(int raw);

// Row text of [A/D] row `index` (0..4) and [D/A] row `index` (0..8) for raw value `v`.
std::string AdRowText(int index, int v);
std::string DaRowText(int index, int v);

// A live reading as values: what its row is called, the raw value, the value in the row's
// unit and the text the row shows for it. Charts and scripts take these, never the row text.
struct ReadingValue {
    std::string name;             // "VIN", "TEMPS", "T1/POW" ...
    int raw = 0;                  // 0..255 as the radio answered
    std::optional<double> value;  // in `unit`; none where the row shows "*Error"
    std::string unit;             // "V", "°C" or "%" (UTF-8)
    std::string text;             // as the row shows it: "7.49V", "*Error", "50.20%"
};

// Nothing for [A/D] row 4, which has no label and shows nothing, nor for a row out of range.
std::optional<ReadingValue> ReadingValueOf(ReadingGroup group, int index, int raw);

// Text that quotes readings as the rows show them ("7.49V", "24.81'C", "50.20%"), written as
// a report or a message writes a value: a space between the number and its unit and the
// degree sign, "7.49 V", "24.81 °C", "50.20 %". Everything else is left as it is.
std::string SpacedUnits(const std::string& text);

}  // namespace qs
