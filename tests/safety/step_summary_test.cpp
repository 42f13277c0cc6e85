// A step's line in the report: what it did in a few words, from the values it set and saw.
#include <gtest/gtest.h>

#include "record/step_summary.h"

namespace qs {
namespace {

SeenValue Item(const char* name, const char* text, double number) {
    return {name, text, number, ""};
}

SeenValue Reading(const char* name, const char* text, double number, const char* unit) {
    return {name, text, number, unit};
}

TEST(StepSummaryTest, SettingsReadingsAndTheItemsStepped) {
    const SeenValue power = Reading("power", "5.53 W", 5.53, "W");
    const struct {
        const char* name;
        std::vector<SeenValue> values;
        bool judged;  // the last value is the one judged, shown in its own column
        const char* summary;
    } rows[] = {
        {"nothing", {}, false, ""},
        {"an adjustment",
         {Item("Power(Hi)", "200", 200), Reading("power", "4.92 W", 4.92, "W"),
          Item("Power(Hi)", "212", 212), power},
         true,
         "2 settings, Power(Hi) 200 \u2192 212, 1 reading"},
        {"a channel", {Item("CH No.", "0: 01, 146.520 MHz", 0)}, false,
         "CH No. 0: 01, 146.520 MHz"},
        {"a few items", {Item("CH No.", "2", 2), Item("BAL", "120", 120)}, false,
         "CH No. 2, BAL 120"},
        {"the generator",
         {Reading("generator frequency", "146520000 Hz", 146520000, "Hz"),
          SeenValue{"generator RF", "on", std::nullopt, ""}},
         false,
         "generator frequency 146520000 Hz, generator RF on"},
        {"thresholds while the generator steps",
         {Reading("generator level", "-93 dBm", -93, "dBm"), SeenValue{"generator RF", "on", {}, ""},
          Reading("generator level", "-117 dBm", -117, "dBm"), Item("RSSI S3", "74", 74),
          Item("RSSI S1", "26", 26)},
         false,
         "5 settings, generator level -93 dBm \u2192 -117 dBm, RSSI S3 74, RSSI S1 26"},
        {"many things set",
         {Item("A", "1", 1), Item("B", "2", 2), SeenValue{"answer", "yes", {}, ""},
          Reading("generator level", "-47 dBm", -47, "dBm")},
         false,
         "4 settings, A 1, B 2"},
        {"a judged reading alone", {power}, true, ""},
    };
    for (const auto& row : rows) {
        StepRecord step;
        step.values = row.values;
        if (row.judged) step.measured = row.values.back();
        EXPECT_EQ(StepSummary(step), row.summary) << row.name;
    }
}

// The words the run window, the report and the command line share: an adjust step counts
// only what it sent (its item's first value is where it stood), and a step that did not pass
// says why, its readings' units spaced.
TEST(StepSummaryTest, WhatAStepDidInTheWordsOfEveryOutput) {
    const auto hz = [](const char* text, double number) {
        return Reading("frequency", text, number, "Hz");
    };
    const struct {
        const char* name;
        const char* kind;
        StepOutcome outcome;
        std::vector<SeenValue> values;
        const char* message;
        const char* said;
    } rows[] = {
        {"adjusted", "adjust", StepOutcome::Pass,
         {Item("REF", "128", 128), hz("146519200 Hz", 146519200), Item("REF", "137", 137),
          hz("146519700 Hz", 146519700), Item("REF", "141", 141), hz("146519900 Hz", 146519900),
          Item("REF", "143", 143), hz("146520000 Hz", 146520000)},
         "3 settings; REF at 143", "3 settings, REF 128 \u2192 143, 3 readings"},
        {"right already", "adjust", StepOutcome::Pass,
         {Item("Power(Hi)", "212", 212), Reading("power", "5.53 W", 5.53, "W")},
         "0 settings; Power(Hi) at 212", "no change needed, Power(Hi) 212"},
        {"failed", "check", StepOutcome::Fail, {Reading("TEMPS", "24.81'C", 24.81, "\u00b0C")},
         "24.81'C is above 20 \u00b0C", "24.81 \u00b0C is above 20 \u00b0C"},
    };
    for (const auto& row : rows) {
        StepRecord step;
        step.kind = row.kind;
        step.outcome = row.outcome;
        step.values = row.values;
        step.measured = row.values.empty() ? std::nullopt : std::optional(row.values.back());
        step.message = row.message;
        EXPECT_EQ(StepWhatItDid(step), row.said) << row.name;
    }
}

}  // namespace
}  // namespace qs
