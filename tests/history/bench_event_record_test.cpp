// What the records keep of the bench's events, as a table: settings and readings for the
// record become rows with their quantity and unit; identities, failures and watching do not.
#include <gtest/gtest.h>

#include "history/bench_event_record.h"

namespace qs {
namespace {

using instruments::BenchEvent;
using instruments::Operation;
using instruments::Purpose;
using instruments::Quantity;
using instruments::Role;

BenchEvent Event(BenchEvent::Kind kind, Role role, Operation operation, double value = 0) {
    BenchEvent event;
    event.kind = kind;
    event.role = role;
    event.address = "TCPIP::127.0.0.1::5025::SOCKET";
    event.operation = operation;
    event.value = value;
    return event;
}

BenchEvent Reading(Quantity quantity, double value, const char* unit, Purpose purpose) {
    BenchEvent event = Event(BenchEvent::Kind::Reading, Role::PowerMeter, Operation::MeasurePower);
    event.reading = instruments::Measurement{quantity, value, unit};
    event.purpose = purpose;
    return event;
}

TEST(BenchEventRecord, SettingsAndReadingsForTheRecordOnly) {
    BenchEvent failed = Reading(Quantity::Power, 0, "W", Purpose::Record);
    failed.failure = instruments::InstrumentError{instruments::Fault::BadAddress, "no answer"};
    const struct {
        const char* name;
        BenchEvent event;
        const char* kind;  // empty: no row
        const char* quantity;
        double amount;
        const char* unit;
    } rows[] = {
        {"frequency",
         Event(BenchEvent::Kind::Setting, Role::Generator, Operation::SetFrequency, 146520000),
         "setting", "frequency", 146520000, "Hz"},
        {"level", Event(BenchEvent::Kind::Setting, Role::Generator, Operation::SetLevel, -47),
         "setting", "level", -47, "dBm"},
        {"rf on", Event(BenchEvent::Kind::Setting, Role::Generator, Operation::RfOn), "setting",
         "rf", 1, ""},
        {"rf off", Event(BenchEvent::Kind::Setting, Role::Generator, Operation::RfOff), "setting",
         "rf", 0, ""},
        {"power", Reading(Quantity::Power, 4.921, "W", Purpose::Record), "reading", "power", 4.921,
         "W"},
        {"watched", Reading(Quantity::Power, 4.921, "W", Purpose::Watch), "", "", 0, ""},
        {"failed", failed, "", "", 0, ""},
        {"identity", Event(BenchEvent::Kind::Identified, Role::PowerMeter, Operation::Identify), "",
         "", 0, ""},
    };
    for (const auto& row : rows) {
        const std::optional<InstrumentEvent> got = InstrumentEventOf(row.event, 1500);
        if (*row.kind == '\0') {
            EXPECT_FALSE(got) << row.name;
            continue;
        }
        ASSERT_TRUE(got) << row.name;
        EXPECT_EQ(got->timeMs, 1500) << row.name;
        EXPECT_EQ(got->role, instruments::RoleName(row.event.role)) << row.name;
        EXPECT_EQ(got->resource, row.event.address) << row.name;
        EXPECT_EQ(got->kind, row.kind) << row.name;
        EXPECT_EQ(got->quantity, row.quantity) << row.name;
        EXPECT_DOUBLE_EQ(got->amount, row.amount) << row.name;
        EXPECT_EQ(got->unit, row.unit) << row.name;
    }
}

}  // namespace
}  // namespace qs
