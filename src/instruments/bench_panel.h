#pragma once

// What the Bench window shows and does, without a widget: for each role its address (as the
// settings keep it), the instrument's identity and the last thing that happened to it, in
// words, errors with the instrument's address and its own text; the generator's frequency,
// level and RF switch; the meters' latest readings. While the window is shown and Live is on,
// the meters are polled one after another, each only when the one before has answered, a
// whole round at most once per kLivePeriod. Polls are for watching: they are not kept in the
// journal, while Measure, Identify and every generator setting are.
//
// Whatever else uses the bench (a procedure, the command line's shell) shows here too: the
// panel watches the station.

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "instruments/bench_station.h"
#include "instruments/generator_settings.h"
#include "platform/timer.h"

namespace qs::instruments {

class BenchPanel {
public:
    static constexpr std::chrono::milliseconds kLivePeriod{500};

    // A line of words about a role or a meter; `failed` marks an error.
    struct Line {
        std::string text;
        bool failed = false;
        bool operator==(const Line&) const = default;
    };

    // The station (and its bench) and the timer must outlive the panel; the timer paces the
    // live polls and is the panel's alone.
    BenchPanel(BenchStation& station, ITimer& timer);
    ~BenchPanel();
    BenchPanel(const BenchPanel&) = delete;
    BenchPanel& operator=(const BenchPanel&) = delete;

    // Called after every change of what the panel shows.
    void setChanged(std::function<void()> changed) { changed_ = std::move(changed); }

    // Under --simulate every role is the virtual monitor's: the addresses cannot be changed.
    bool simulated() const { return station_.simulated(); }
    // While a procedure run holds the bench its roles are shown, not changed: why, else empty.
    const std::string& heldBy() const { return station_.heldBy(); }
    // The role's setup as the settings keep it, or the virtual monitor under --simulate.
    RoleSetup setup(Role role) const;
    std::optional<std::chrono::milliseconds> answerTimeout() const {
        return station_.setup().answerTimeout;
    }
    // When the role's instrument is due for calibration, as the settings say (under
    // --simulate the virtual monitor is judged by them as the shop's instrument would be).
    const CalibrationDue& calibrationDue(Role role) const {
        return station_.setup().calibrationDue(role);
    }
    // The instrument's answer to *IDN?, empty until known.
    std::string identity(Role role) const;
    // The last thing that happened to the role's instrument, or why it is not bound.
    Line status(Role role) const;
    const Line& reading(Quantity quantity) const {
        return readings_[static_cast<std::size_t>(quantity)];
    }
    // The generator's settings as last set through the bench (by anyone, a procedure run too,
    // before the window opened), else the panel's starting values: 100 MHz, -60 dBm, RF off.
    double frequencyHz() const { return frequencyHz_; }
    double levelDbm() const { return levelDbm_; }
    RfOutput rf() const { return rf_; }
    bool live() const { return live_; }
    bool polling() const { return timer_.enabled(); }

    // The technician's choices, bound and kept in the settings; a refusal is shown on the
    // role's line and returned.
    Status SetRole(Role role, const RoleSetup& choice);
    Status SetAnswerTimeout(std::optional<std::chrono::milliseconds> timeout);

    void Identify(Role role);
    void Measure(Quantity quantity);
    // Frequency, level and RF in the safe order (RF off first, on last).
    void ApplyGenerator(const GeneratorSettings& settings);

    void SetLive(bool on);
    // The window is shown (true) or hidden or closed (false): polls only while shown.
    void SetShown(bool shown);

private:
    static std::size_t Index(Role role) { return static_cast<std::size_t>(role); }
    void OnEvent(const BenchEvent& event);
    void ShowResult(Role role, const Status& status, const std::string& what);
    void ShowReading(Quantity quantity, const Result<Measurement>& reading);
    void UpdatePolling();
    void PollRound();
    void PollNext(std::shared_ptr<std::vector<Quantity>> round, std::size_t next);
    void Changed();

    BenchStation& station_;
    ITimer& timer_;
    int watch_ = 0;
    int holdWatch_ = 0;
    std::function<void()> changed_;
    std::array<std::string, kRoles.size()> identities_;
    std::array<std::optional<Line>, kRoles.size()> statuses_;
    std::array<Line, 3> readings_;
    double frequencyHz_ = 100e6;
    double levelDbm_ = -60.0;
    RfOutput rf_ = RfOutput::Off;
    bool live_ = false;
    bool shown_ = false;
    bool roundRunning_ = false;
    // Callbacks of requests under way hold a weak copy: a panel closed meanwhile is left alone.
    std::shared_ptr<BenchPanel*> self_;
};

}  // namespace qs::instruments
