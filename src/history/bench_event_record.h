#pragma once

#include <cstdint>
#include <optional>

#include "history/record_types.h"
#include "instruments/bench.h"

namespace qs {

// The records' row of what the bench did, `timeMs` into the connection: a setting made or a
// reading taken for the record. Nothing for an identification, a failure (the journal holds
// both, in words) or a reading taken only to watch.
std::optional<InstrumentEvent> InstrumentEventOf(const instruments::BenchEvent& event,
                                                 std::int64_t timeMs);

}  // namespace qs
