// SCPI text: numbers read strictly, error-queue entries, which messages are queries, numbers
// written for commands and answers quoted for messages.
#include <gtest/gtest.h>

#include "instruments/scpi_text.h"

namespace qs::instruments {
namespace {

TEST(ScpiTextTest, NumbersInAnswers) {
    struct Row {
        const char* answer;
        NumberKind kind;
        double value;
    };
    const Row rows[] = {
        {"42", NumberKind::Value, 42.0},                   // NR1
        {"+42", NumberKind::Value, 42.0},
        {"-3.75", NumberKind::Value, -3.75},               // NR2
        {".5", NumberKind::Value, 0.5},
        {"5.", NumberKind::Value, 5.0},
        {"+4.92156863E+00", NumberKind::Value, 4.92156863},  // NR3
        {"1.4652e8", NumberKind::Value, 146520000.0},
        {"  2.5E-3\r", NumberKind::Value, 0.0025},
        {"9.91E37", NumberKind::NotANumber, 0},
        {"+9.91000000E+37", NumberKind::NotANumber, 0},
        {"9.9E37", NumberKind::Infinity, 0},
        {"-9.9E+37", NumberKind::Infinity, 0},
        {"", NumberKind::Malformed, 0},
        {"OVLD", NumberKind::Malformed, 0},
        {"4.9 W", NumberKind::Malformed, 0},
        {"1,2", NumberKind::Malformed, 0},
        {"1E", NumberKind::Malformed, 0},
        {"E5", NumberKind::Malformed, 0},
        {".", NumberKind::Malformed, 0},
        {"+-1", NumberKind::Malformed, 0},
        {"0x10", NumberKind::Malformed, 0},
        {"INF", NumberKind::Malformed, 0},
        {"nan", NumberKind::Malformed, 0},
        {"1e999", NumberKind::Malformed, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer);
        const ParsedNumber parsed = ParseScpiNumber(row.answer);
        EXPECT_EQ(parsed.kind, row.kind);
        if (row.kind == NumberKind::Value) {
            EXPECT_DOUBLE_EQ(parsed.value, row.value);
        }
    }
    EXPECT_EQ(ParseScpiNumber(std::string("12\0" "3", 4)).kind, NumberKind::Malformed);
}

TEST(ScpiTextTest, ErrorQueueEntries) {
    struct Row {
        const char* answer;
        bool ok;
        int code;
    };
    const Row rows[] = {
        {"0,\"No error\"", true, 0},
        {"+0,\"No error\"", true, 0},
        {"-113,\"Undefined header\"", true, -113},
        {" -222 , \"Data out of range;FREQ\"\r", true, -222},
        {"-113", false, 0},
        {"No error", false, 0},
        {"-11x,\"Bad\"", false, 0},
        {",\"x\"", false, 0},
        {"-113,Undefined header", false, 0},
        {"4.92", false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer);
        const auto entry = ParseErrorEntry(row.answer);
        ASSERT_EQ(entry.has_value(), row.ok);
        if (row.ok) {
            EXPECT_EQ(entry->code, row.code);
        }
    }
}

TEST(ScpiTextTest, QueriesAndNumbersAndQuotes) {
    const std::pair<const char*, bool> queries[] = {
        {"*IDN?", true},          {"MEAS:POW?", true},        {"MEAS:POW? (@1)", true},
        {"FREQ 100", false},      {"UNIT:POW W;:MEAS:POW?", true}, {"SYST:ERR?", true},
        {"DISP:TEXT \"OK?\"", false}, {"OUTP ON", false},      {"", false},
    };
    for (const auto& [message, query] : queries)
        EXPECT_EQ(IsQueryMessage(message), query) << message;

    const std::pair<double, const char*> numbers[] = {
        {146520000.0, "146520000"}, {-47.5, "-47.5"}, {0.001, "0.001"}, {-0.0, "0"}, {1e-7, "0.0000001"},
    };
    for (const auto& [value, text] : numbers)
        EXPECT_EQ(FormatScpiNumber(value), text);

    EXPECT_EQ(QuoteAnswer("OVLD\r\x01"), "'OVLD\\x0D\\x01'");
    EXPECT_EQ(QuoteAnswer(std::string(70, 'x')), "'" + std::string(60, 'x') + "...'");
}

}  // namespace
}  // namespace qs::instruments
