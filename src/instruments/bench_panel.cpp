#include "instruments/bench_panel.h"

#include <vector>

namespace qs::instruments {

namespace {

std::optional<Quantity> QuantityOf(Operation operation) {
    for (Quantity quantity : {Quantity::Power, Quantity::Deviation, Quantity::Frequency}) {
        if (FactsOf(quantity).operation == operation) return quantity;
    }
    return std::nullopt;
}

}  // namespace

BenchPanel::BenchPanel(BenchStation& station, ITimer& timer)
    : station_(station), timer_(timer), self_(std::make_shared<BenchPanel*>(this)) {
    watch_ = station_.Watch([this](const BenchEvent& event) { OnEvent(event); });
    holdWatch_ = station_.WatchHold([this] {
        if (changed_) changed_();
    });
    timer_.setInterval(static_cast<std::int32_t>(kLivePeriod.count()));
    timer_.setHandler([this] {
        if (!roundRunning_) PollRound();
    });
    for (Role role : kRoles)
        identities_[Index(role)] = station_.bench().Identity(role);
    // What the generator was set to before the window opened (a run's RF on) is what it holds.
    const GeneratorSettings& held = station_.generatorHeld();
    frequencyHz_ = held.frequencyHz.value_or(frequencyHz_);
    levelDbm_ = held.levelDbm.value_or(levelDbm_);
    rf_ = held.rf.value_or(rf_);
}

BenchPanel::~BenchPanel() {
    station_.Unwatch(watch_);
    station_.UnwatchHold(holdWatch_);
    timer_.setEnabled(false);
    timer_.setHandler(nullptr);
}

RoleSetup BenchPanel::setup(Role role) const {
    if (simulated()) return RoleSetup{station_.monitorAddress(), ""};
    return station_.setup().role(role);
}

std::string BenchPanel::identity(Role role) const {
    // The open connection knows it, whoever opened it; else what was last heard.
    const std::string open = station_.bench().Identity(role);
    return open.empty() ? identities_[Index(role)] : open;
}

BenchPanel::Line BenchPanel::status(Role role) const {
    if (const auto& shown = statuses_[Index(role)]) return *shown;
    if (!station_.problem(role).empty()) return {station_.problem(role), true};
    if (station_.bench().Address(role).empty()) return {"no instrument set up", false};
    return {};
}

void BenchPanel::Changed() {
    if (changed_) changed_();
}

Status BenchPanel::SetRole(Role role, const RoleSetup& choice) {
    const Status bound = station_.Bind(role, choice);
    if (!bound) {
        statuses_[Index(role)] = Line{bound.error().message, true};
    } else {
        statuses_[Index(role)].reset();
        identities_[Index(role)].clear();
        for (Quantity quantity : {Quantity::Power, Quantity::Deviation, Quantity::Frequency}) {
            if (FactsOf(quantity).role == role) readings_[static_cast<std::size_t>(quantity)] = {};
        }
    }
    Changed();
    return bound;
}

Status BenchPanel::SetAnswerTimeout(std::optional<std::chrono::milliseconds> timeout) {
    const Status set = station_.SetAnswerTimeout(timeout);
    Changed();
    return set;
}

void BenchPanel::Identify(Role role) {
    std::weak_ptr<BenchPanel*> alive = self_;
    station_.bench().Identify(role, [this, alive, role](const Result<std::string>& identity) {
        if (alive.expired()) return;
        ShowResult(role, identity ? Ok() : Status(identity.error()), "");
        if (identity) identities_[Index(role)] = identity.value();
        Changed();
    });
}

void BenchPanel::Measure(Quantity quantity) {
    std::weak_ptr<BenchPanel*> alive = self_;
    station_.bench().Measure(quantity, [this, alive, quantity](const Result<Measurement>& r) {
        if (alive.expired()) return;
        ShowReading(quantity, r);
    });
}

void BenchPanel::ApplyGenerator(const GeneratorSettings& settings) {
    if (const std::string mistake = GeneratorSettingsMistake(settings); !mistake.empty()) {
        statuses_[Index(Role::Generator)] = Line{mistake, true};
        Changed();
        return;
    }
    if (settings.empty()) return;
    std::weak_ptr<BenchPanel*> alive = self_;
    ApplyGeneratorSettings(station_.bench(), settings, [this, alive](const Status& status) {
        if (alive.expired() || status) return;
        ShowResult(Role::Generator, status, "");
        Changed();
    });
}

void BenchPanel::ShowResult(Role role, const Status& status, const std::string& what) {
    if (!status) {
        statuses_[Index(role)] = Line{status.error().message, true};
        return;
    }
    statuses_[Index(role)] = Line{what, false};
    const std::string identity = station_.bench().Identity(role);
    if (!identity.empty()) identities_[Index(role)] = identity;
}

void BenchPanel::ShowReading(Quantity quantity, const Result<Measurement>& reading) {
    Line& line = readings_[static_cast<std::size_t>(quantity)];
    line = reading ? Line{MeasurementText(reading.value()), false}
                   : Line{reading.error().message, true};
    Changed();
}

void BenchPanel::OnEvent(const BenchEvent& event) {
    const Status status = event.failure ? Status(*event.failure) : Ok();
    switch (event.kind) {
        case BenchEvent::Kind::Identified:
            ShowResult(event.role, status, "");
            if (status) identities_[Index(event.role)] = event.what;
            break;
        case BenchEvent::Kind::Setting:
            ShowResult(event.role, status, "set: " + event.what);
            if (!status) break;
            if (event.operation == Operation::SetFrequency) frequencyHz_ = event.value;
            if (event.operation == Operation::SetLevel) levelDbm_ = event.value;
            if (event.operation == Operation::RfOn) rf_ = RfOutput::On;
            if (event.operation == Operation::RfOff) rf_ = RfOutput::Off;
            break;
        case BenchEvent::Kind::Reading: {
            // A reading speaks on the meter's own line; the role's line only carries trouble.
            const bool hadTrouble = statuses_[Index(event.role)] &&
                                    statuses_[Index(event.role)]->failed;
            if (!status || hadTrouble) ShowResult(event.role, status, "");
            if (status) {
                const std::string identity = station_.bench().Identity(event.role);
                if (!identity.empty()) identities_[Index(event.role)] = identity;
            }
            if (const auto quantity = QuantityOf(event.operation)) {
                readings_[static_cast<std::size_t>(*quantity)] =
                    event.reading ? Line{MeasurementText(*event.reading), false}
                                  : Line{status.error().message, true};
            }
            break;
        }
    }
    Changed();
}

void BenchPanel::SetLive(bool on) {
    live_ = on;
    UpdatePolling();
    Changed();
}

void BenchPanel::SetShown(bool shown) {
    shown_ = shown;
    UpdatePolling();
}

void BenchPanel::UpdatePolling() {
    const bool wanted = live_ && shown_;
    if (wanted == timer_.enabled()) return;
    timer_.setEnabled(wanted);
    if (wanted && !roundRunning_) PollRound();
}

void BenchPanel::PollRound() {
    auto round = std::make_shared<std::vector<Quantity>>();
    for (Quantity quantity : {Quantity::Power, Quantity::Deviation, Quantity::Frequency}) {
        if (!station_.bench().Address(FactsOf(quantity).role).empty()) round->push_back(quantity);
    }
    if (round->empty()) return;
    roundRunning_ = true;
    PollNext(round, 0);
}

void BenchPanel::PollNext(std::shared_ptr<std::vector<Quantity>> round, std::size_t next) {
    if (next >= round->size() || !(live_ && shown_)) {
        roundRunning_ = false;
        return;
    }
    const Quantity quantity = (*round)[next];
    std::weak_ptr<BenchPanel*> alive = self_;
    station_.bench().Measure(
        quantity,
        [this, alive, round, next, quantity](const Result<Measurement>& reading) {
            if (alive.expired()) return;
            ShowReading(quantity, reading);
            PollNext(round, next + 1);
        },
        Purpose::Watch);
}

}  // namespace qs::instruments
