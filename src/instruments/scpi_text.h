#pragma once

// The text of SCPI as this program reads and writes it: numbers in answers, error-queue
// entries, which messages are queries, and answers quoted safely in messages.

#include <optional>
#include <string>

namespace qs::instruments {

// SCPI's stand-ins for a reading that is not a number: 9.91E37 (not a number) and 9.9E37
// (plus or minus infinity, over range).
inline constexpr double kScpiNotANumber = 9.91e37;
inline constexpr double kScpiInfinity = 9.9e37;

enum class NumberKind { Value, NotANumber, Infinity, Malformed };

struct ParsedNumber {
    NumberKind kind = NumberKind::Malformed;
    double value = 0.0;  // only for Value
};

// One number in SCPI's NR1 (123), NR2 (12.3, .5) or NR3 (1.23E+2) form, with an optional sign
// and blanks around it. Anything else (units, two numbers, "INF", hexadecimal) is Malformed.
ParsedNumber ParseScpiNumber(const std::string& answer);

// One entry of the error queue: `-113,"Undefined header"`; code 0 means no error.
struct ErrorEntry {
    int code = 0;
    std::string text;  // the entry as the instrument wrote it, for messages
};
std::optional<ErrorEntry> ParseErrorEntry(const std::string& answer);

// True when a program message asks for an answer: one of its units (split at ';' outside
// quotes) has a header ending in '?'.
bool IsQueryMessage(const std::string& message);

// A number for a command: the shortest decimal text that reads back as the same value, never
// with an exponent (146520000, -47.5, 0.001).
std::string FormatScpiNumber(double value);

// An answer quoted for a message: control characters shown as \xNN, cut after 60 characters.
std::string QuoteAnswer(const std::string& answer);

}  // namespace qs::instruments
