#include "instruments/bench.h"

#include <algorithm>

#include "instruments/scpi_text.h"

namespace qs::instruments {

namespace {

constexpr std::chrono::milliseconds kDefaultAnswerTimeout{2000};

std::string WithUnit(double value, const char* unit) {
    return FormatScpiNumber(value) + " " + unit;
}

}  // namespace

Bench::Bench(IByteStreamFactory& streams, ITimer& timer, const ITickSource& clock)
    : streams_(streams), timer_(timer), clock_(clock) {
    timer_.setInterval(kTickMs);
    timer_.setHandler([this] { OnTick(); });
}

Bench::~Bench() {
    timer_.setEnabled(false);
    timer_.setHandler(nullptr);
}

// --- Roles -------------------------------------------------------------------------------------

ScpiConnection* Bench::Connection(const Resource& resource, const InstrumentOptions& options) {
    auto& slot = connections_[resource.canonical];
    if (!slot) {
        Timeouts timeouts;
        timeouts.open = options.openTimeout;
        timeouts.answer = options.answerTimeout.value_or(
            options.profile.answerTimeout.value_or(kDefaultAnswerTimeout));
        slot = std::make_unique<ScpiConnection>(resource, options.profile, timeouts, streams_,
                                                clock_);
    }
    return slot.get();
}

Status Bench::Assign(Role role, const std::string& address, const InstrumentOptions& options) {
    const Result<Resource> resource = ParseResource(address);
    if (!resource) return resource.error();
    const std::string& canonical = resource.value().canonical;
    for (Role other : kRoles) {
        if (other == role || roleAddress_[static_cast<std::size_t>(other)] != canonical) continue;
        const Profile& held = connections_.at(canonical)->profile();
        if (held == options.profile) continue;
        return InstrumentError{Fault::BadProfile,
                               canonical + ": already the " + RoleName(other) + " with profile '" +
                                   held.name + "', so it cannot be the " + RoleName(role) +
                                   " with profile '" + options.profile.name + "'"};
    }
    const auto existing = connections_.find(canonical);
    if (existing != connections_.end() && !(existing->second->profile() == options.profile)) {
        // An instrument asked by address alone, under another profile: start afresh.
        existing->second->Abandon("closed, to be opened again with the profile '" +
                                  options.profile.name + "'");
        retired_.push_back(std::move(existing->second));
        connections_.erase(existing);
    }
    Connection(resource.value(), options);
    roleAddress_[static_cast<std::size_t>(role)] = canonical;
    RetireUnused();
    UpdateTimer();
    return Ok();
}

Status Bench::Assign(Role role, const std::string& address, const Profile& profile) {
    InstrumentOptions options;
    options.profile = profile;
    return Assign(role, address, options);
}

void Bench::Unassign(Role role) {
    roleAddress_[static_cast<std::size_t>(role)].clear();
    RetireUnused();
    UpdateTimer();
}

void Bench::RetireUnused() {
    for (auto it = connections_.begin(); it != connections_.end();) {
        const bool used = std::find(roleAddress_.begin(), roleAddress_.end(), it->first) !=
                          roleAddress_.end();
        if (used) {
            ++it;
            continue;
        }
        it->second->Abandon("closed, as no role uses this instrument any more");
        retired_.push_back(std::move(it->second));
        it = connections_.erase(it);
    }
}

std::string Bench::Address(Role role) const {
    return roleAddress_[static_cast<std::size_t>(role)];
}

std::string Bench::Identity(Role role) const {
    const auto it = connections_.find(Address(role));
    return it == connections_.end() ? std::string() : it->second->identity();
}

void Bench::SetCalibrationDue(Role role, std::string day) {
    calibrationDue_[static_cast<std::size_t>(role)] = std::move(day);
}

std::string Bench::CalibrationDue(Role role) const {
    return calibrationDue_[static_cast<std::size_t>(role)];
}

Result<Bench::Prepared> Bench::Prepare(Role role, Operation operation, double value) {
    const std::string& address = roleAddress_[static_cast<std::size_t>(role)];
    if (address.empty()) {
        return InstrumentError{Fault::NoInstrument,
                               std::string("no instrument is set up as the ") + RoleName(role)};
    }
    ScpiConnection* connection = connections_.at(address).get();
    if (!connection->profile().Offers(operation)) {
        return InstrumentError{Fault::ProfileLacks, address + ": the profile '" +
                                                        connection->profile().name +
                                                        "' has no command for " +
                                                        OperationKey(operation)};
    }
    return Prepared{connection, ExpandCommands(connection->profile(), operation, value)};
}

// --- Requests ----------------------------------------------------------------------------------

void Bench::Identify(Role role, TextDone done) {
    const std::string& address = roleAddress_[static_cast<std::size_t>(role)];
    if (address.empty()) {
        const InstrumentError error{Fault::NoInstrument,
                                    std::string("no instrument is set up as the ") + RoleName(role)};
        Later([done = std::move(done), error] { done(error); });
        return;
    }
    connections_.at(address)->Identify(
        [this, role, address, done = std::move(done)](const Result<std::string>& identity) {
            BenchEvent event{BenchEvent::Kind::Identified, role,     address,
                             "",  {},  {}, Purpose::Record, Operation::Identify, 0.0};
            if (identity) {
                event.what = identity.value();
            } else {
                event.failure = identity.error();
            }
            Emit(event);
            done(identity);
        });
    UpdateTimer();
}

void Bench::Identify(const std::string& address, const InstrumentOptions& options, TextDone done) {
    const Result<Resource> resource = ParseResource(address);
    if (!resource) {
        Later([done = std::move(done), error = resource.error()] { done(error); });
        return;
    }
    Connection(resource.value(), options)->Identify(std::move(done));
    UpdateTimer();
}

void Bench::Setting(Role role, Operation operation, double value, std::string what,
                    StatusDone done) {
    Result<Prepared> prepared = Prepare(role, operation, value);
    if (!prepared) {
        Later([done = std::move(done), error = prepared.error()] { done(error); });
        return;
    }
    ScpiConnection* connection = prepared.value().connection;
    connection->Apply(prepared.value().commands,
                      [this, role, operation, value, address = connection->address(),
                       what = std::move(what), done = std::move(done)](const Status& status) {
                          BenchEvent event{BenchEvent::Kind::Setting, role,      address, what, {},
                                           {}, Purpose::Record, operation, value};
                          if (!status) event.failure = status.error();
                          Emit(event);
                          done(status);
                      });
    UpdateTimer();
}

void Bench::SetFrequency(double hz, StatusDone done) {
    Setting(Role::Generator, Operation::SetFrequency, hz, "frequency " + WithUnit(hz, "Hz"),
            std::move(done));
}

void Bench::SetLevel(double dbm, StatusDone done) {
    Setting(Role::Generator, Operation::SetLevel, dbm, "level " + WithUnit(dbm, "dBm"),
            std::move(done));
}

void Bench::SetRf(RfOutput output, StatusDone done) {
    const bool on = output == RfOutput::On;
    Setting(Role::Generator, on ? Operation::RfOn : Operation::RfOff, 0.0, on ? "RF on" : "RF off",
            std::move(done));
}

void Bench::Reset(Role role, StatusDone done) {
    Setting(role, Operation::Reset, 0.0, "reset", std::move(done));
}

void Bench::Measure(Quantity quantity, MeasurementDone done, Purpose purpose) {
    const QuantityFacts& facts = FactsOf(quantity);
    Result<Prepared> prepared = Prepare(facts.role, facts.operation);
    if (!prepared) {
        Later([done = std::move(done), error = prepared.error()] { done(error); });
        return;
    }
    ScpiConnection* connection = prepared.value().connection;
    connection->Measure(
        prepared.value().commands,
        [this, &facts, purpose, address = connection->address(), done = std::move(done)](
            const Result<double>& number) {
            BenchEvent event{BenchEvent::Kind::Reading, facts.role, address, facts.name, {}, {},
                             purpose, facts.operation, 0.0};
            if (!number) {
                event.failure = number.error();
                Emit(event);
                done(number.error());
                return;
            }
            const Measurement reading{facts.quantity, number.value(), facts.unit};
            event.reading = reading;
            Emit(event);
            done(reading);
        });
    UpdateTimer();
}

void Bench::Close() {
    for (auto& [address, connection] : connections_)
        connection->Close();
    for (auto& connection : retired_)
        connection->Close();
    later_.clear();
    UpdateTimer();
}

// --- Delivery ----------------------------------------------------------------------------------

void Bench::Emit(BenchEvent event) {
    if (sink_) sink_(event);
}

void Bench::Later(std::function<void()> call) {
    later_.push_back(std::move(call));
    UpdateTimer();
}

void Bench::OnTick() {
    // Requests on connections that were let go end with their error before the connections
    // go; a callback that retires others leaves them for the next tick.
    std::vector<std::unique_ptr<ScpiConnection>> leaving;
    leaving.swap(retired_);
    for (auto& connection : leaving)
        connection->Tick();
    // A callback may assign or unassign roles: connections it retires stay alive until the next
    // tick, so the pointers taken here hold for this one.
    std::vector<ScpiConnection*> ticking;
    for (auto& [address, connection] : connections_)
        ticking.push_back(connection.get());
    for (ScpiConnection* connection : ticking)
        connection->Tick();
    while (!later_.empty()) {
        std::function<void()> call = std::move(later_.front());
        later_.pop_front();
        call();
    }
    UpdateTimer();
}

void Bench::UpdateTimer() {
    bool busy = !later_.empty() || !retired_.empty();
    for (const auto& [address, connection] : connections_)
        busy = busy || connection->busy();
    if (busy != timer_.enabled()) timer_.setEnabled(busy);
}

}  // namespace qs::instruments
