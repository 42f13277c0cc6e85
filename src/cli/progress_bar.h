#pragma once

#include <cstdint>
#include <string>

namespace qs::cli {

// "Reading the radio [##########----------]  50%" for `done` of `total` bytes; a total of 0
// or less counts as nothing done, and `done` beyond the total as all of it.
std::string ProgressBarText(std::int64_t done, std::int64_t total);

}  // namespace qs::cli
