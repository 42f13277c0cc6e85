#pragma once

// The instruments on the bench by role. Front ends and procedures ask the bench to set the
// generator or to take a reading; it finds the instrument holding the role, opens it when
// needed (one connection per address, shared by every role the instrument holds) and hands
// back the result. Nothing here waits: each request ends later in its callback, on the
// program's one thread, never inside the call that made it. The bench's timer runs only while
// something is under way.
//
//   Bench bench(streams, timer, clock);
//   bench.Assign(Role::Generator, "TCPIP::192.168.1.20::5025::SOCKET");
//   bench.SetLevel(-47.0, [](const Status& s) { ... });
//   bench.Measure(Quantity::Power, [](const Result<Measurement>& r) {
//       if (!r) show(r.error().message); else use(r.value().value);
//   });
//
// Every setting and reading, with its outcome, also goes to the event sink, for the journal,
// the report and a live display. A bench must not be destroyed from inside its own callbacks;
// Close() there is fine.

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "instruments/profile.h"
#include "instruments/roles.h"
#include "instruments/scpi_connection.h"
#include "platform/byte_stream.h"
#include "platform/tick_source.h"
#include "platform/timer.h"

namespace qs::instruments {

// Why a reading is taken: to be kept as part of the work (a procedure, the command line, the
// technician's Measure), or only to be watched on a live display that polls the meters.
enum class Purpose { Record, Watch };

// One setting or reading as it happened, for whoever records or shows the bench.
struct BenchEvent {
    enum class Kind { Identified, Setting, Reading };
    Kind kind = Kind::Setting;
    Role role = Role::Generator;
    std::string address;
    // What was set or read, in words: "frequency 146520000 Hz", "level -47 dBm", "RF on",
    // "power", the identity for Identified.
    std::string what;
    std::optional<Measurement> reading;      // a successful reading
    std::optional<InstrumentError> failure;  // why it failed
    Purpose purpose = Purpose::Record;       // of a reading
    Operation operation = Operation::Identify;
    double value = 0.0;  // what SetFrequency (Hz) and SetLevel (dBm) set
};

// How an instrument is spoken to.
struct InstrumentOptions {
    Profile profile = GenericProfile();
    // The time each answer may take; the profile's own, else 2 s, when not given.
    std::optional<std::chrono::milliseconds> answerTimeout;
    std::chrono::milliseconds openTimeout{5000};
};

class Bench {
public:
    static constexpr std::int32_t kTickMs = 50;

    using StatusDone = std::function<void(const Status&)>;
    using TextDone = std::function<void(const Result<std::string>&)>;
    using MeasurementDone = std::function<void(const Result<Measurement>&)>;

    Bench(IByteStreamFactory& streams, ITimer& timer, const ITickSource& clock);
    ~Bench();
    Bench(const Bench&) = delete;
    Bench& operator=(const Bench&) = delete;

    // Puts the instrument at `address` in the role (replacing what held it). Refused when the
    // address cannot be understood, or when the instrument already holds another role under
    // another profile. Opens nothing yet. Requests under way on an instrument that no role
    // holds any more end with ConnectionLost.
    Status Assign(Role role, const std::string& address, const InstrumentOptions& options = {});
    Status Assign(Role role, const std::string& address, const Profile& profile);
    void Unassign(Role role);
    // The role's address in its one spelling, empty when no instrument holds the role.
    std::string Address(Role role) const;
    // The role's instrument's answer to *IDN?, empty until it has been opened.
    std::string Identity(Role role) const;
    // The day the role's instrument's calibration runs out, "2027-03-01", as the bench
    // settings write it (a text that is no day too); empty when they give none.
    void SetCalibrationDue(Role role, std::string day);
    std::string CalibrationDue(Role role) const;

    // The identity of the role's instrument, or of an instrument by address alone.
    void Identify(Role role, TextDone done);
    void Identify(const std::string& address, const InstrumentOptions& options, TextDone done);

    // The generator.
    void SetFrequency(double hz, StatusDone done);
    void SetLevel(double dbm, StatusDone done);
    void SetRf(RfOutput output, StatusDone done);
    // *RST of the role's instrument.
    void Reset(Role role, StatusDone done);

    // A reading of the meter that measures `quantity`.
    void Measure(Quantity quantity, MeasurementDone done, Purpose purpose = Purpose::Record);

    // Closes every connection; requests under way end without a result.
    void Close();

    void setEventSink(std::function<void(const BenchEvent&)> sink) { sink_ = std::move(sink); }

private:
    struct Prepared {
        ScpiConnection* connection = nullptr;
        std::vector<std::string> commands;
    };

    // The role's connection and the operation's commands, or why there are none.
    Result<Prepared> Prepare(Role role, Operation operation, double value = 0.0);
    ScpiConnection* Connection(const Resource& resource, const InstrumentOptions& options);
    void Setting(Role role, Operation operation, double value, std::string what, StatusDone done);
    void Emit(BenchEvent event);
    void Later(std::function<void()> call);
    void RetireUnused();
    void OnTick();
    void UpdateTimer();

    IByteStreamFactory& streams_;
    ITimer& timer_;
    const ITickSource& clock_;
    std::map<std::string, std::unique_ptr<ScpiConnection>> connections_;
    std::array<std::string, kRoles.size()> roleAddress_;
    std::array<std::string, kRoles.size()> calibrationDue_;
    // Connections no role holds any more; their requests end with an error and they are
    // destroyed on the next tick.
    std::vector<std::unique_ptr<ScpiConnection>> retired_;
    std::deque<std::function<void()>> later_;
    std::function<void(const BenchEvent&)> sink_;
};

}  // namespace qs::instruments
