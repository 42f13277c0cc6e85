#pragma once

#include <string>

#include "record/run_record.h"

namespace qs {

// What a step did, in a few words for one line of a table: "3 settings, Power(Hi) 200 →
// 212", "CH No. 0: 01, 146.520 MHz", "4 readings". The settings are the items' values sent
// (a value without a unit); an item set several times shows its first and last value. An
// adjust step's first value of its item is where the item stood, not a setting: "no change
// needed, Power(Hi) 212" when it was right already. Empty for a step that set and saw nothing.
std::string StepSummary(const StepRecord& step);

// A step's line as the run window, the report and the command line all say it: the summary
// of a step that passed (its own message when the summary is empty), why it did not pass
// otherwise, with the readings' units spaced ("24.81 °C is above 20 °C").
std::string StepWhatItDid(const StepRecord& step);

// "1 setting", "3 settings"; "no errors" for none with ZeroAs::No.
enum class ZeroAs { Number, No };
std::string Counted(int count, const std::string& noun, ZeroAs zero = ZeroAs::Number);

}  // namespace qs
