#pragma once

// The readers of the step kinds, each over its [[step]] table. A reader names every key its
// kind takes, reports what is wrong and gives nothing when anything was.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "procedure/procedure.h"
#include "procedure/table_reader.h"

namespace qs::procedure {

std::optional<StepAction> ReadPrompt(TableReader& r);
std::optional<StepAction> ReadConfirm(TableReader& r);
std::optional<StepAction> ReadWait(TableReader& r);
std::optional<StepAction> ReadGenerator(TableReader& r);
std::optional<StepAction> ReadSet(TableReader& r);
std::optional<StepAction> ReadSweep(TableReader& r);
std::optional<StepAction> ReadLevel(TableReader& r);
std::optional<StepAction> ReadRssi(TableReader& r);
std::optional<StepAction> ReadAdjust(TableReader& r);
std::optional<StepAction> ReadCheck(TableReader& r);
std::optional<StepAction> ReadMeasure(TableReader& r);

// The range a value can have at all, for telling a limit that can never be met or a unit
// mistake ("146.52" for a frequency in Hz) from a real one.
struct Span {
    double low = 0.0;
    double high = 0.0;
    std::string unit;  // "V", "Hz", "dBm" ...
    std::string name;  // "LVIN", "the transmit frequency" ...
    std::string hint;  // added to the message, e.g. "; frequencies are in Hz ..."
};

// The value, when it lies in the span; else a mistake at the key.
std::optional<double> InSpan(TableReader& r, std::string_view key, double value,
                             const Span& span);
std::optional<double> NumberInSpan(TableReader& r, std::string_view key, Need need,
                                   const Span& span);

// One of `words` (compared without regard to case): its position, or nothing.
std::optional<std::size_t> Choice(TableReader& r, std::string_view key,
                                  const std::vector<std::string>& words);

extern const Span kGeneratorLevel;

// The console item the file names by its title as the console shows it; nothing (and a
// mistake at `place`) when there is none.
std::optional<ItemRef> FindItem(TableReader& r, FilePlace place, std::string_view title);

}  // namespace qs::procedure
