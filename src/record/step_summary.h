#pragma once

#include <string>

#include "record/run_record.h"

namespace qs {

// What a step did, in a few words for one line of a table: "3 settings, Power(Hi) 200 →
// 212", "CH No. 0: 01, 146.520 MHz", "4 readings". The settings are the items' values sent
// (a value without a unit); an item set several times shows its first and last value.
// Empty for a step that set and saw nothing.
std::string StepSummary(const StepRecord& step);

}  // namespace qs
