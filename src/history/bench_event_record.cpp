#include "history/bench_event_record.h"

namespace qs {

std::optional<InstrumentEvent> InstrumentEventOf(const instruments::BenchEvent& event,
                                                 std::int64_t timeMs) {
    using instruments::BenchEvent;
    using instruments::Operation;
    if (event.failure) return std::nullopt;
    InstrumentEvent row;
    row.timeMs = timeMs;
    row.role = instruments::RoleName(event.role);
    row.resource = event.address;
    if (event.kind == BenchEvent::Kind::Reading) {
        if (!event.reading || event.purpose != instruments::Purpose::Record) return std::nullopt;
        row.kind = "reading";
        row.quantity = instruments::FactsOf(event.reading->quantity).name;
        row.amount = event.reading->value;
        row.unit = event.reading->unit;
        return row;
    }
    if (event.kind != BenchEvent::Kind::Setting) return std::nullopt;
    row.kind = "setting";
    switch (event.operation) {
        case Operation::SetFrequency:
            row.quantity = "frequency";
            row.amount = event.value;
            row.unit = "Hz";
            return row;
        case Operation::SetLevel:
            row.quantity = "level";
            row.amount = event.value;
            row.unit = "dBm";
            return row;
        case Operation::RfOn:
        case Operation::RfOff:
            row.quantity = "rf";
            row.amount = event.operation == Operation::RfOn ? 1 : 0;
            return row;
        default:
            return std::nullopt;
    }
}

}  // namespace qs
