#pragma once

// The bench as the program sets it up, around the one Bench of the program: each role bound
// to the instrument the settings name, kept in the settings when the technician changes it;
// or, under --simulate, every role bound to the virtual service monitor whatever the
// settings (or a procedure) name. Whoever wants to see every setting and reading watches
// the station; the bench's own event sink belongs to it.
//
//   BenchStation station(bench);
//   station.UseSettings(store, settingsFile);        // binds the roles the settings name
//   station.Simulate("TCPIP::127.0.0.1::40581::SOCKET");  // --simulate: every role, for good
//   const int id = station.Watch([](const BenchEvent& e) { ... });
//   station.Bind(Role::Generator, {"TCPIP::10.0.0.5::SOCKET", ""});   // kept in the settings
//   station.BindForRun(Role::PowerMeter, address, options);  // a procedure's, not kept
//   station.Restore();                                       // back to the settings' own
//
// With process locks given (setLocks), an instrument a run binds is held for that run across
// every program on the computer: a second run naming it, in this program or another, is
// refused until the first lets go of the bench (Restore, Release).

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "instruments/bench.h"
#include "instruments/bench_setup.h"
#include "instruments/generator_settings.h"
#include "platform/process_locks.h"
#include "platform/profile_store.h"

namespace qs::instruments {

class BenchStation {
public:
    using Watcher = std::function<void(const BenchEvent&)>;

    explicit BenchStation(Bench& bench);
    ~BenchStation();
    BenchStation(const BenchStation&) = delete;
    BenchStation& operator=(const BenchStation&) = delete;

    Bench& bench() { return bench_; }
    const Bench& bench() const { return bench_; }

    // Reads the bench's section of `file` and binds the roles it names (under --simulate they
    // stay on the virtual monitor). Later changes are written back there.
    void UseSettings(IProfileStore& store, std::string file);
    // Only the calibration dates and what a run does about them, from another program's
    // settings (the command line takes the desktop program's); nothing is bound or written.
    void UseCalibrationOf(const BenchSetup& settings);
    // Every role bound to the virtual service monitor at `address` (generic profile) for the
    // rest of the run; the settings are left as they are.
    Status Simulate(const std::string& address);
    bool simulated() const { return !monitorAddress_.empty(); }
    const std::string& monitorAddress() const { return monitorAddress_; }

    // What the settings say (and the technician set in this run).
    const BenchSetup& setup() const { return setup_; }
    // Why the role's instrument from the settings is not bound (a profile file that cannot be
    // read, ...), empty when it is.
    const std::string& problem(Role role) const { return problems_[static_cast<std::size_t>(role)]; }
    // Why the settings could not be written, empty when they were (or nothing changed).
    const std::string& settingsProblem() const { return settingsProblem_; }

    // The technician's choice for a role (an empty address: none), bound at once and kept in
    // the settings. Refused, with the reason, for an address or a profile with a mistake, or
    // when the bench refuses it (one instrument under two profiles). Under --simulate it is
    // checked only: nothing is bound or kept.
    Status Bind(Role role, const RoleSetup& choice);
    // The answer time-out for every role (none: the profile's own, else 2 s), kept in the
    // settings. Open connections are closed so the next request uses it.
    Status SetAnswerTimeout(std::optional<std::chrono::milliseconds> timeout);

    // A binding for this run only, as a procedure names it; the settings keep theirs. Under
    // --simulate the address is checked and the role stays on the virtual monitor. The
    // instrument is held for the run (Reserve) first.
    Status BindForRun(Role role, const std::string& address, const InstrumentOptions& options);
    // Holds the instrument at `address` for this run (under --simulate: the virtual monitor
    // that stands in for it) before anything is bound or opened; refused with Fault::Held
    // and the holder when another program's run has it. Nothing without process locks.
    Status Reserve(const std::string& address);
    void setLocks(IProcessLocks* locks) { locks_ = locks; }
    // Every role back to what the settings name (or the virtual monitor); the instruments a
    // run held are let go.
    void Restore();

    // While a procedure run uses the bench nothing else may rebind it: Bind and
    // SetAnswerTimeout are refused with `reason` ("used by the procedure run ...") until
    // Release, which also restores every role.
    void Hold(std::string reason);
    void Release();
    // Why the bench cannot be changed now, empty when it can.
    const std::string& heldBy() const { return heldBy_; }
    // Told whenever the bench is held or released; returns an id for UnwatchHold.
    int WatchHold(std::function<void()> watcher);
    void UnwatchHold(int id);

    // The generator as last set and confirmed through the bench, by anyone (a run, the Bench
    // window, the command line): what it holds now, as far as the program knows. Nothing of
    // what was never set; forgotten when the generator's address changes.
    const GeneratorSettings& generatorHeld() const { return generatorHeld_; }

    // Sees every setting, reading and identification of the bench, in order; returns an id
    // for Unwatch. A watcher may unwatch itself (or another) while it is called.
    int Watch(Watcher watcher);
    void Unwatch(int id);

private:
    void BindRole(Role role);
    void Dispatch(const BenchEvent& event);
    void Save(const BenchSetup& before);

    Bench& bench_;
    IProfileStore* store_ = nullptr;
    std::string file_;
    BenchSetup setup_;
    std::array<std::string, kRoles.size()> problems_;
    std::string settingsProblem_;
    std::string monitorAddress_;
    std::map<int, Watcher> watchers_;
    int nextWatcher_ = 1;
    std::string heldBy_;
    IProcessLocks* locks_ = nullptr;
    std::map<int, std::function<void()>> holdWatchers_;
    GeneratorSettings generatorHeld_;
    std::string generatorHeldAt_;  // the address it was set at
    void HoldChanged();
};

}  // namespace qs::instruments
