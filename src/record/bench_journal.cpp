#include "record/bench_journal.h"

namespace qs {

using instruments::BenchEvent;

std::string BenchEventText(const BenchEvent& event) {
    const std::string what =
        event.kind == BenchEvent::Kind::Identified ? std::string("identity") : event.what;
    if (event.failure) return what + kBenchFailedMark + event.failure->message;
    if (event.kind == BenchEvent::Kind::Identified) return kBenchIdentityWord + event.what;
    if (event.reading) return what + " " + instruments::MeasurementText(*event.reading);
    return what;
}

BenchJournal::BenchJournal(SafetyNet& safety, const IWallClock& clock)
    : safety_(safety), clock_(clock) {}

void BenchJournal::Record(const BenchEvent& event, const std::string& identity) {
    if (event.kind == BenchEvent::Kind::Reading &&
        event.purpose == instruments::Purpose::Watch) {
        return;
    }
    if (safety_.journalPath().empty()) return;
    if (safety_.journalPath() != journal_) {
        journal_ = safety_.journalPath();
        identified_.clear();
    }
    const bool identifies = event.kind == BenchEvent::Kind::Identified && !event.failure;
    if (!identifies && !identity.empty() && identified_.count(event.address) == 0) {
        BenchEvent named = event;
        named.kind = BenchEvent::Kind::Identified;
        named.what = identity;
        named.failure.reset();
        Write(named, BenchEventText(named));
        identified_.insert(event.address);
    }
    if (identifies) identified_.insert(event.address);
    Write(event, BenchEventText(event));
}

void BenchJournal::Write(const BenchEvent& event, const std::string& text) {
    BenchJournalEntry entry;
    entry.time = DateTimeText(clock_.Now());
    entry.role = instruments::RoleName(event.role);
    entry.text = text;
    entry.address = event.address;
    safety_.AddToJournal(BenchLine(entry));
}

}  // namespace qs
