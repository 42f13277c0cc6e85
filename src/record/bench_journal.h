#pragma once

#include <set>
#include <string>

#include "instruments/bench.h"
#include "safety/journal_file.h"
#include "safety/safety_net.h"
#include "safety/wall_clock.h"

namespace qs {

// Keeps the bench's work in the journal of the current connection, beside the adjustment
// commands: every setting and identification, and every reading taken for the record (the
// polls of a live display are for watching and are left out). Before the first line of an
// instrument in a journal, its identity is written once, so the report can say which
// instrument (serial number included) took the readings. Nothing is written while there is
// no connection, hence no journal.
class BenchJournal {
public:
    BenchJournal(SafetyNet& safety, const IWallClock& clock);

    // `identity` is the instrument's answer to *IDN?, empty when not known.
    void Record(const instruments::BenchEvent& event, const std::string& identity);

private:
    void Write(const instruments::BenchEvent& event, const std::string& text);

    SafetyNet& safety_;
    const IWallClock& clock_;
    std::string journal_;              // the journal `identified_` belongs to
    std::set<std::string> identified_;  // addresses whose identity it holds
};

// What the journal says of an event: "level -47 dBm", "power 4.921 W", "identity ...",
// "power FAILED: <the error with the instrument's address>".
std::string BenchEventText(const instruments::BenchEvent& event);

}  // namespace qs
