// The bench on the fake clock against a make-believe instrument: what goes on the wire for
// each operation, the error queue, answers that are late, missing or not numbers, and
// connections that fail. Results never come inside the call that asked for them.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <stdexcept>

#include "bench_rig.h"

namespace qs::instruments::testing {
namespace {

// The outcome of one request, whatever its kind, as text: the value or the error message.
struct Outcome {
    bool done = false;
    bool ok = false;
    std::string text;
    Fault fault = Fault::BadAddress;
};

template <typename T>
std::function<void(const Result<T>&)> Into(Outcome& out) {
    return [&out](const Result<T>& r) {
        out.done = true;
        out.ok = r.ok();
        if (!r.ok()) {
            out.fault = r.error().fault;
            out.text = r.error().message;
            return;
        }
        if constexpr (std::is_same_v<T, Measurement>) {
            out.text = std::to_string(r.value().value) + " " + r.value().unit;
        } else if constexpr (std::is_same_v<T, std::string>) {
            out.text = r.value();
        }
    };
}

void AssignAll(Bench& bench, const char* address = kAddress) {
    for (Role role : kRoles)
        ASSERT_TRUE(bench.Assign(role, address).ok());
}

TEST(BenchTest, EachOperationOnTheWireAndItsResult) {
    struct Row {
        const char* name;
        std::function<void(Bench&, Outcome&)> start;
        const char* wire;  // after the opening's *IDN?
        const char* result;
    };
    const Row rows[] = {
        {"identify", [](Bench& b, Outcome& o) { b.Identify(Role::PowerMeter, Into<std::string>(o)); },
         "", "Bench Works,SM-1,0001,1.0"},
        {"frequency", [](Bench& b, Outcome& o) { b.SetFrequency(146520000, Into<Done>(o)); },
         "*CLS\nFREQ 146520000\nSYST:ERR?\n", ""},
        {"level", [](Bench& b, Outcome& o) { b.SetLevel(-47.5, Into<Done>(o)); },
         "*CLS\nPOW -47.5\nSYST:ERR?\n", ""},
        {"rf on", [](Bench& b, Outcome& o) { b.SetRf(RfOutput::On, Into<Done>(o)); },
         "*CLS\nOUTP ON\nSYST:ERR?\n", ""},
        {"rf off", [](Bench& b, Outcome& o) { b.SetRf(RfOutput::Off, Into<Done>(o)); },
         "*CLS\nOUTP OFF\nSYST:ERR?\n", ""},
        {"reset", [](Bench& b, Outcome& o) { b.Reset(Role::Generator, Into<Done>(o)); },
         "*CLS\n*RST\nSYST:ERR?\n", ""},
        {"power", [](Bench& b, Outcome& o) { b.Measure(Quantity::Power, Into<Measurement>(o)); },
         "*CLS\nUNIT:POW W\nSYST:ERR?\nMEAS:POW?\n", "4.920000 W"},
        {"deviation",
         [](Bench& b, Outcome& o) { b.Measure(Quantity::Deviation, Into<Measurement>(o)); },
         "MEAS:FM:DEV?\n", "4500.000000 Hz"},
        {"frequency counter",
         [](Bench& b, Outcome& o) { b.Measure(Quantity::Frequency, Into<Measurement>(o)); },
         "MEAS:FREQ?\n", "146519780.200000 Hz"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        BenchRig rig;
        rig.instrument.answers = {{"MEAS:POW?", "+4.92000000E+00"},
                                  {"MEAS:FM:DEV?", "4500"},
                                  {"MEAS:FREQ?", "+1.465197802E+08"}};
        AssignAll(rig.bench);
        Outcome out;
        row.start(rig.bench, out);
        ASSERT_TRUE(rig.RunUntil([&] { return out.done; }));
        EXPECT_TRUE(out.ok) << out.text;
        EXPECT_EQ(out.text, row.result);
        EXPECT_EQ(rig.Written(), std::string("*IDN?\n") + row.wire);
        EXPECT_EQ(rig.bench.Identity(Role::FrequencyCounter), "Bench Works,SM-1,0001,1.0");
        rig.RunUntil([&] { return !rig.timer.enabled(); }, 3);
        EXPECT_FALSE(rig.timer.enabled()) << "the timer rests when nothing is under way";
    }
}

TEST(BenchTest, OneInstrumentInSeveralRolesSharesOneConnection) {
    BenchRig rig;
    rig.instrument.answers = {{"MEAS:POW?", "1.5"}};
    ASSERT_TRUE(rig.bench.Assign(Role::Generator, "TCPIP0::10.0.0.5::SOCKET").ok());
    ASSERT_TRUE(rig.bench.Assign(Role::PowerMeter, kAddress).ok());
    EXPECT_EQ(rig.bench.Address(Role::Generator), kAddress);
    std::vector<BenchEvent> events;
    rig.bench.setEventSink([&](const BenchEvent& e) { events.push_back(e); });
    Outcome set, power;
    rig.bench.SetRf(RfOutput::On, Into<Done>(set));
    rig.bench.Measure(Quantity::Power, Into<Measurement>(power));
    ASSERT_TRUE(rig.RunUntil([&] { return set.done && power.done; }));
    EXPECT_EQ(rig.streams.created(), 1u);
    EXPECT_EQ(rig.Written(),
              "*IDN?\n*CLS\nOUTP ON\nSYST:ERR?\n*CLS\nUNIT:POW W\nSYST:ERR?\nMEAS:POW?\n");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].what, "RF on");
    EXPECT_EQ(events[1].role, Role::PowerMeter);
    ASSERT_TRUE(events[1].reading.has_value());
    EXPECT_EQ(events[1].reading->value, 1.5);

    // The same instrument cannot be spoken to in two ways at once.
    Profile other = GenericProfile();
    other.name = "other";
    const Status refused = rig.bench.Assign(Role::FrequencyCounter, kAddress, other);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().message,
              "TCPIP::10.0.0.5::5025::SOCKET: already the generator with profile 'generic', so "
              "it cannot be the frequency_counter with profile 'other'");
}

TEST(BenchTest, RefusedSettingReportsTheInstrumentsOwnText) {
    BenchRig rig;
    AssignAll(rig.bench);
    rig.instrument.refuses = {{"FREQ 9000000000", "-222,\"Data out of range\""}};
    rig.instrument.errors = {"-100,\"Command error\""};  // left from before: cleared first
    Outcome out;
    rig.bench.SetFrequency(9e9, Into<Done>(out));
    ASSERT_TRUE(rig.RunUntil([&] { return out.done; }));
    EXPECT_EQ(out.fault, Fault::Refused);
    EXPECT_EQ(out.text, "TCPIP::10.0.0.5::5025::SOCKET: the instrument refused FREQ 9000000000: "
                        "-222,\"Data out of range\"");

    // Several entries are all read and all reported; the queue is empty afterwards.
    rig.instrument.refuses = {{"POW 99", "-222,\"Data out of range\""}};
    rig.instrument.errors = {};
    rig.streams.respond = [&](const std::string& line) {
        if (line == "POW 99") rig.instrument.errors.push_back("-221,\"Settings conflict\"");
        return rig.instrument(line);
    };
    Outcome two;
    rig.bench.SetLevel(99, Into<Done>(two));
    ASSERT_TRUE(rig.RunUntil([&] { return two.done; }));
    EXPECT_EQ(two.text, "TCPIP::10.0.0.5::5025::SOCKET: the instrument refused POW 99: "
                        "-221,\"Settings conflict\"; -222,\"Data out of range\"");
    EXPECT_TRUE(rig.instrument.errors.empty());
}

TEST(BenchTest, FailedMeasurementsCarryNoValueAndTheInstrumentsReason) {
    struct Row {
        const char* answer;
        const char* leftInQueue;  // entry the meter leaves with its answer, or null
        Fault fault;
        const char* message;
    };
    const Row rows[] = {
        {"9.91E37", "-230,\"Data corrupt or stale\"", Fault::NoMeasurement,
         "TCPIP::10.0.0.5::5025::SOCKET: MEAS:FM:DEV? gave no valid measurement ('9.91E37' is "
         "SCPI's not-a-number); the instrument reports -230,\"Data corrupt or stale\""},
        {"+9.9E+37", nullptr, Fault::NoMeasurement,
         "TCPIP::10.0.0.5::5025::SOCKET: MEAS:FM:DEV? gave no valid measurement ('+9.9E+37' is "
         "SCPI's infinity: over range)"},
        {"OVLD", nullptr, Fault::BadAnswer,
         "TCPIP::10.0.0.5::5025::SOCKET: the answer to MEAS:FM:DEV? is not a number: 'OVLD'"},
        {"4.5 kHz", nullptr, Fault::BadAnswer,
         "TCPIP::10.0.0.5::5025::SOCKET: the answer to MEAS:FM:DEV? is not a number: '4.5 kHz'"},
        {"", nullptr, Fault::BadAnswer,
         "TCPIP::10.0.0.5::5025::SOCKET: the answer to MEAS:FM:DEV? is not a number: ''"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer);
        BenchRig rig;
        AssignAll(rig.bench);
        rig.streams.respond = [&](const std::string& line) -> std::optional<std::string> {
            if (line != "MEAS:FM:DEV?") return rig.instrument(line);
            if (row.leftInQueue) rig.instrument.errors.push_back(row.leftInQueue);
            return std::string(row.answer) + "\n";
        };
        std::optional<Result<Measurement>> got;
        rig.bench.Measure(Quantity::Deviation, [&](const Result<Measurement>& r) { got = r; });
        ASSERT_TRUE(rig.RunUntil([&] { return got.has_value(); }));
        ASSERT_FALSE(got->ok());
        EXPECT_EQ(got->error().fault, row.fault);
        EXPECT_EQ(got->error().message, row.message);
        EXPECT_THROW((void)got->value(), std::logic_error);
        EXPECT_EQ(rig.Written(), "*IDN?\nMEAS:FM:DEV?\nSYST:ERR?\n");
    }
}

TEST(BenchTest, AnswerTimeIsTheDefaultTheProfilesOrTheOptions) {
    struct Row {
        const char* name;
        std::optional<int> profileMs;
        std::optional<int> optionMs;
        int expectedMs;
        const char* within;
    };
    const Row rows[] = {
        {"default", {}, {}, 2000, "within 2 s"},
        {"profile", 5000, {}, 5000, "within 5 s"},
        {"options", 5000, 300, 300, "within 0.3 s"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        BenchRig rig;
        InstrumentOptions options;
        if (row.profileMs) options.profile.answerTimeout = std::chrono::milliseconds(*row.profileMs);
        if (row.optionMs) options.answerTimeout = std::chrono::milliseconds(*row.optionMs);
        ASSERT_TRUE(rig.bench.Assign(Role::FrequencyCounter, kAddress, options).ok());
        Outcome out;
        rig.bench.Measure(Quantity::Frequency, Into<Measurement>(out));
        ASSERT_TRUE(rig.RunUntil([&] { return rig.Written().find("MEAS:FREQ?") != std::string::npos; }));
        const std::int32_t sent = rig.clock.GetTickCount();
        ASSERT_TRUE(rig.RunUntil([&] { return out.done; }));
        const std::int32_t waited = rig.clock.GetTickCount() - sent;
        EXPECT_GE(waited, row.expectedMs);
        EXPECT_LE(waited, row.expectedMs + 2 * Bench::kTickMs);
        EXPECT_EQ(out.fault, Fault::NoAnswer);
        EXPECT_EQ(out.text, std::string("TCPIP::10.0.0.5::5025::SOCKET: no answer to MEAS:FREQ? ") +
                                row.within);
    }
}

// A query left unanswered puts the line in doubt: the late answer must not be taken for the
// next query's. The connection asks *IDN? again and drops lines until the identity returns.
TEST(BenchTest, LateAnswerAfterATimeOutIsDroppedAndTheNextReadingIsRight) {
    BenchRig rig;
    AssignAll(rig.bench);
    rig.instrument.answers = {{"MEAS:POW?", "2.5"}};
    Outcome late;
    rig.bench.Measure(Quantity::Frequency, Into<Measurement>(late));
    // Until the resync's *IDN? is on the wire, its answer not yet handed over.
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Written().rfind("*IDN?") > 0; }));
    EXPECT_FALSE(late.done) << "the reason is asked before the result is given";
    // The counter's late answer comes first, as an instrument answers in order.
    rig.streams.last().Deliver("+1.465197802E+08\n");
    Outcome power;
    rig.bench.Measure(Quantity::Power, Into<Measurement>(power));
    ASSERT_TRUE(rig.RunUntil([&] { return late.done && power.done; }));
    EXPECT_EQ(late.text, "TCPIP::10.0.0.5::5025::SOCKET: no answer to MEAS:FREQ? within 2 s");
    EXPECT_TRUE(power.ok) << power.text;
    EXPECT_EQ(power.text, "2.500000 W");
    EXPECT_EQ(rig.Written(), "*IDN?\nMEAS:FREQ?\n*IDN?\nSYST:ERR?\n*CLS\nUNIT:POW W\nSYST:ERR?\nMEAS:POW?\n");
}

// Each query's time-out counts from its own sending: one armed for an earlier query, answered
// just in time, never cuts the next one short.
TEST(BenchTest, TimeOutOfAnAnsweredQueryIsIgnored) {
    BenchRig rig;
    AssignAll(rig.bench);
    Outcome first, second;
    rig.bench.Measure(Quantity::Deviation, Into<Measurement>(first));
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Written().find("DEV?") != std::string::npos; }));
    const std::int32_t sent = rig.clock.GetTickCount();
    // `sent` is up to one tick late: the query went out at the start of the last turn.
    ASSERT_TRUE(rig.RunUntil([&] { return rig.clock.GetTickCount() - sent >= 1850; }));
    rig.streams.last().Deliver("3000\n");
    rig.bench.Measure(Quantity::Deviation, Into<Measurement>(second));
    ASSERT_TRUE(rig.RunUntil([&] { return first.done; }));
    EXPECT_TRUE(first.ok);
    rig.RunUntil([&] { return rig.clock.GetTickCount() - sent >= 3800; });
    EXPECT_FALSE(second.done) << "the second query has had only about 1.95 s";
    rig.streams.last().Deliver("3100\n");
    ASSERT_TRUE(rig.RunUntil([&] { return second.done; }));
    EXPECT_EQ(second.text, "3100.000000 Hz");
}

TEST(BenchTest, ConnectionFailuresEndEveryWaitingRequest) {
    struct Row {
        const char* name;
        std::function<void(BenchRig&)> arrange;  // before the requests
        std::function<void(BenchRig&)> during;   // once the first request is on the wire
        Fault fault;
        const char* first;
        const char* second;
    };
    const Row rows[] = {
        {"refused", [](BenchRig& r) { r.streams.refuseReason = "connection refused"; }, nullptr,
         Fault::CannotConnect, "cannot connect: connection refused", "cannot connect: connection refused"},
        {"never opens", [](BenchRig& r) { r.streams.acceptOpening = false; }, nullptr,
         Fault::CannotConnect, "no connection within 5 s", "no connection within 5 s"},
        {"cannot be made", [](BenchRig& r) { r.streams.cannotCreate = "serial lines are not supported yet"; },
         nullptr, Fault::NotSupported, "serial lines are not supported yet",
         "serial lines are not supported yet"},
        {"empty identity", [](BenchRig& r) { r.instrument.identity = " "; }, nullptr,
         Fault::BadAnswer, "answered *IDN? with an empty line", "answered *IDN? with an empty line"},
        {"silent", [](BenchRig& r) { r.streams.respond = nullptr; }, nullptr, Fault::NoAnswer,
         "no answer to *IDN? within 2 s", "no answer to *IDN? within 2 s"},
        {"lost", nullptr,
         [](BenchRig& r) { r.streams.last().Fail("the instrument closed the connection"); },
         Fault::ConnectionLost, "connection lost: the instrument closed the connection",
         "connection lost: the instrument closed the connection"},
        {"goes quiet",
         nullptr, [](BenchRig& r) { r.streams.respond = nullptr; }, Fault::NoAnswer,
         "no answer to MEAS:FM:DEV? within 2 s",
         "stopped answering (no answer to *IDN? within 2 s after a time-out)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        BenchRig rig;
        AssignAll(rig.bench);
        if (row.arrange) row.arrange(rig);
        Outcome first, second;
        rig.bench.Measure(Quantity::Deviation, Into<Measurement>(first));
        rig.bench.SetRf(RfOutput::On, Into<Done>(second));
        if (row.during) {
            ASSERT_TRUE(rig.RunUntil([&] { return rig.Written().find("DEV?") != std::string::npos; }));
            row.during(rig);
        }
        ASSERT_TRUE(rig.RunUntil([&] { return first.done && second.done; }));
        EXPECT_EQ(first.fault, row.fault);
        EXPECT_EQ(first.text, std::string("TCPIP::10.0.0.5::5025::SOCKET: ") + row.first);
        EXPECT_EQ(second.text, std::string("TCPIP::10.0.0.5::5025::SOCKET: ") + row.second);
        EXPECT_FALSE(second.ok);
        // The instrument is back: the next request opens a new connection.
        rig.streams = {};
        rig.streams.respond = [&rig](const std::string& line) { return rig.instrument(line); };
        rig.instrument.identity = "Bench Works,SM-1,0001,1.0";
        Outcome again;
        rig.bench.SetRf(RfOutput::Off, Into<Done>(again));
        ASSERT_TRUE(rig.RunUntil([&] { return again.done; }));
        EXPECT_TRUE(again.ok) << again.text;
    }
}

TEST(BenchTest, AnswersInPiecesTogetherOrTooLong) {
    BenchRig rig;
    AssignAll(rig.bench);
    rig.streams.respond = [&](const std::string& line) -> std::optional<std::string> {
        if (line == "*IDN?") return std::string("Bench Works,SM-1");
        return std::nullopt;
    };
    Outcome a, b;
    rig.bench.Measure(Quantity::Deviation, Into<Measurement>(a));
    rig.bench.Measure(Quantity::Deviation, Into<Measurement>(b));
    rig.RunUntil([] { return false; }, 3);
    FakeByteStream& s = rig.streams.last();
    s.Deliver(",0001,1.0\r");
    s.Deliver("\n3");
    rig.RunUntil([] { return false; }, 2);
    s.Deliver("000\r\n3100\n");  // the second answer comes with the first
    ASSERT_TRUE(rig.RunUntil([&] { return a.done && b.done; }));
    EXPECT_EQ(rig.bench.Identity(Role::ModulationMeter), "Bench Works,SM-1,0001,1.0");
    EXPECT_EQ(a.text, "3000.000000 Hz");
    EXPECT_EQ(b.text, "3100.000000 Hz");

    s.Deliver("stray line\n");  // nothing asked: dropped
    rig.streams.respond = [&rig](const std::string& line) { return rig.instrument(line); };
    Outcome big;
    rig.bench.Measure(Quantity::Deviation, Into<Measurement>(big));
    rig.RunUntil([] { return false; }, 2);
    rig.streams.last().Deliver(std::string(5000, '7'));
    ASSERT_TRUE(rig.RunUntil([&] { return big.done; }, 20));
    EXPECT_EQ(big.fault, Fault::BadAnswer);
    EXPECT_EQ(big.text, "TCPIP::10.0.0.5::5025::SOCKET: an answer longer than 4096 bytes without a line end");
}

TEST(BenchTest, RequestsEndLaterNeverInsideTheCall) {
    BenchRig rig;
    Outcome noRole, noCommand, badAddress;
    rig.bench.Measure(Quantity::Power, Into<Measurement>(noRole));
    ASSERT_TRUE(rig.bench.Assign(Role::Generator, kAddress,
                                 ParseProfile("measure_power = MEAS:POW?\n", "meter.profile").value())
                    .ok());
    rig.bench.SetLevel(-60, Into<Done>(noCommand));
    rig.bench.Identify("TCPIP::x::SOCKETS", {}, Into<std::string>(badAddress));
    EXPECT_FALSE(noRole.done || noCommand.done || badAddress.done);
    EXPECT_TRUE(rig.timer.enabled());
    rig.Turn();
    EXPECT_EQ(noRole.fault, Fault::NoInstrument);
    EXPECT_EQ(noRole.text, "no instrument is set up as the power_meter");
    EXPECT_EQ(noCommand.fault, Fault::ProfileLacks);
    EXPECT_EQ(noCommand.text,
              "TCPIP::10.0.0.5::5025::SOCKET: the profile 'meter.profile' has no command for set_level");
    EXPECT_EQ(badAddress.fault, Fault::BadAddress);
    EXPECT_EQ(rig.streams.created(), 0u) << "nothing was opened for requests that cannot run";
    rig.Turn();
    EXPECT_FALSE(rig.timer.enabled());

    // Close drops what is under way without a word; unassigning closes an unused connection.
    Outcome dropped;
    rig.bench.Identify(Role::Generator, Into<std::string>(dropped));
    rig.Turn();
    rig.bench.Close();
    rig.RunUntil([] { return false; }, 5);
    EXPECT_FALSE(dropped.done);
    Outcome reopened;
    rig.bench.Identify(Role::Generator, Into<std::string>(reopened));
    ASSERT_TRUE(rig.RunUntil([&] { return reopened.done; }));
    rig.bench.Unassign(Role::Generator);
    EXPECT_TRUE(rig.streams.records.back()->closed);
    EXPECT_EQ(rig.bench.Address(Role::Generator), "");
}

}  // namespace
}  // namespace qs::instruments::testing
