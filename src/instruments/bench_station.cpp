#include "instruments/bench_station.h"

#include <vector>

#include "instruments/resource.h"

namespace qs::instruments {

namespace {

// An address for the station: one that parses, or none at all.
Status CheckAddress(const std::string& address) {
    if (address.empty()) return Ok();
    const Result<Resource> resource = ParseResource(address);
    if (!resource) return resource.error();
    return Ok();
}

}  // namespace

BenchStation::BenchStation(Bench& bench) : bench_(bench) {
    bench_.setEventSink([this](const BenchEvent& event) { Dispatch(event); });
}

BenchStation::~BenchStation() {
    bench_.setEventSink(nullptr);
}

void BenchStation::UseSettings(IProfileStore& store, std::string file) {
    store_ = &store;
    file_ = std::move(file);
    setup_ = LoadBenchSettings(store, file_);
    Restore();
}

void BenchStation::UseCalibrationOf(const BenchSetup& settings) {
    setup_.calibration = settings.calibration;
    setup_.calibrationPolicy = settings.calibrationPolicy;
    setup_.calibrationPolicyProblem = settings.calibrationPolicyProblem;
    for (Role role : kRoles)
        bench_.SetCalibrationDue(role, setup_.calibrationDue(role).written);
}

Status BenchStation::Simulate(const std::string& address) {
    const Result<Resource> resource = ParseResource(address);
    if (!resource) return resource.error();
    monitorAddress_ = resource.value().canonical;
    Restore();
    return Ok();
}

void BenchStation::Restore() {
    if (locks_ != nullptr) locks_->UnlockAll();
    for (Role role : kRoles)
        BindRole(role);
}

void BenchStation::BindRole(Role role) {
    std::string& problem = problems_[static_cast<std::size_t>(role)];
    problem.clear();
    // The settings' date goes with the role, for the record of a run: the virtual monitor
    // stands in for the shop's instruments and is judged as they are.
    bench_.SetCalibrationDue(role, setup_.calibrationDue(role).written);
    if (simulated()) {
        InstrumentOptions options;
        options.answerTimeout = setup_.answerTimeout;
        const Status bound = bench_.Assign(role, monitorAddress_, options);
        if (!bound) problem = bound.error().message;
        return;
    }
    const RoleSetup& choice = setup_.role(role);
    if (choice.address.empty()) {
        bench_.Unassign(role);
        return;
    }
    const Result<InstrumentOptions> options = OptionsFor(choice, setup_.answerTimeout);
    const Status bound = options ? bench_.Assign(role, choice.address, options.value())
                                 : Status(options.error());
    if (bound) return;
    bench_.Unassign(role);
    problem = bound.error().message;
}

void BenchStation::Hold(std::string reason) {
    heldBy_ = std::move(reason);
    HoldChanged();
}

void BenchStation::Release() {
    Restore();
    if (heldBy_.empty()) return;
    heldBy_.clear();
    HoldChanged();
}

int BenchStation::WatchHold(std::function<void()> watcher) {
    const int id = nextWatcher_++;
    holdWatchers_.emplace(id, std::move(watcher));
    return id;
}

void BenchStation::UnwatchHold(int id) {
    holdWatchers_.erase(id);
}

void BenchStation::HoldChanged() {
    // Copies: a watcher may unwatch while it is told.
    const auto watchers = holdWatchers_;
    for (const auto& [id, watcher] : watchers) watcher();
}

Status BenchStation::Bind(Role role, const RoleSetup& choice) {
    if (!heldBy_.empty()) return InstrumentError{Fault::Held, "the bench is " + heldBy_};
    if (const Status address = CheckAddress(choice.address); !address) return address;
    const Result<InstrumentOptions> options = OptionsFor(choice, setup_.answerTimeout);
    if (!options) return options.error();
    if (simulated()) return Ok();
    if (!choice.address.empty()) {
        const Status bound = bench_.Assign(role, choice.address, options.value());
        if (!bound) return bound;
    } else {
        bench_.Unassign(role);
    }
    const BenchSetup before = setup_;
    setup_.role(role) = choice;
    bench_.SetCalibrationDue(role, setup_.calibrationDue(role).written);
    problems_[static_cast<std::size_t>(role)].clear();
    Save(before);
    return Ok();
}

Status BenchStation::SetAnswerTimeout(std::optional<std::chrono::milliseconds> timeout) {
    if (timeout && (*timeout < kMinAnswerTimeout || *timeout > kMaxAnswerTimeout)) {
        return InstrumentError{Fault::BadProfile,
                               "the answer time-out must be from " +
                                   std::to_string(kMinAnswerTimeout.count()) + " to " +
                                   std::to_string(kMaxAnswerTimeout.count()) + " ms"};
    }
    if (!heldBy_.empty()) return InstrumentError{Fault::Held, "the bench is " + heldBy_};
    const BenchSetup before = setup_;
    setup_.answerTimeout = timeout;
    if (before.answerTimeout == timeout) return Ok();
    // A connection keeps the time-out it was made with: let every one go, then bind anew.
    for (Role role : kRoles)
        bench_.Unassign(role);
    Restore();
    Save(before);
    return Ok();
}

Status BenchStation::BindForRun(Role role, const std::string& address,
                                const InstrumentOptions& options) {
    if (const Status checked = CheckAddress(address); !checked) return checked;
    if (const Status held = Reserve(address); !held) return held;
    if (simulated()) return Ok();
    if (address.empty()) {
        bench_.Unassign(role);
        return Ok();
    }
    return bench_.Assign(role, address, options);
}

Status BenchStation::Reserve(const std::string& address) {
    if (locks_ == nullptr || address.empty()) return Ok();
    const Result<Resource> resource = ParseResource(address);
    if (!resource) return resource.error();
    // Two spellings of one instrument are one lock; under --simulate the monitor is what
    // the run uses.
    const std::string& used = simulated() ? monitorAddress_ : resource.value().canonical;
    std::string holder;
    switch (locks_->TryLock(used, holder)) {
        case IProcessLocks::Outcome::Taken:
            return Ok();
        case IProcessLocks::Outcome::Held:
            return InstrumentError{Fault::Held, used + " is in use by a run of " + holder};
        case IProcessLocks::Outcome::Unavailable:
            break;
    }
    return InstrumentError{Fault::Held, used + " cannot be held for this run: " + holder};
}

void BenchStation::Save(const BenchSetup& before) {
    if (store_ == nullptr) return;
    settingsProblem_.clear();
    if (!SaveBenchSettings(*store_, file_, setup_, before)) {
        settingsProblem_ = "The bench settings could not be written to " + file_ + ".";
    }
}

int BenchStation::Watch(Watcher watcher) {
    const int id = nextWatcher_++;
    watchers_.emplace(id, std::move(watcher));
    return id;
}

void BenchStation::Unwatch(int id) {
    watchers_.erase(id);
}

void BenchStation::Dispatch(const BenchEvent& event) {
    if (event.kind == BenchEvent::Kind::Setting && event.role == Role::Generator &&
        !event.failure) {
        if (event.address != generatorHeldAt_) generatorHeld_ = GeneratorSettings{};
        generatorHeldAt_ = event.address;
        if (event.operation == Operation::SetFrequency) generatorHeld_.frequencyHz = event.value;
        if (event.operation == Operation::SetLevel) generatorHeld_.levelDbm = event.value;
        if (event.operation == Operation::RfOn) generatorHeld_.rf = RfOutput::On;
        if (event.operation == Operation::RfOff) generatorHeld_.rf = RfOutput::Off;
    }
    std::vector<int> ids;
    for (const auto& [id, watcher] : watchers_)
        ids.push_back(id);
    for (int id : ids) {
        const auto it = watchers_.find(id);
        if (it == watchers_.end()) continue;
        // A copy: the watcher may unwatch itself while it runs.
        const Watcher watcher = it->second;
        watcher(event);
    }
}

}  // namespace qs::instruments
