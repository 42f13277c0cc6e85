#pragma once

// An alignment procedure as the runner takes it: read from its file and checked as a whole
// against the model's items, its live readings and the bench, before any port opens. What
// only the radio can tell (how many channels it has, the test channel's frequencies) is left
// as a named reference for the runner to resolve once the radio is loaded.

#include <array>
#include <compare>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "instruments/roles.h"
#include "model/auto_op_rows.h"
#include "model/operation_observer.h"

namespace qs::procedure {

// Where something stands in the procedure file, counted from 1 as an editor counts.
struct FilePlace {
    int line = 0;
    int column = 0;
    friend auto operator<=>(const FilePlace&, const FilePlace&) = default;
};

// The bench's roles and the quantities its meters measure are the instrument core's own.
using BenchRole = instruments::Role;
inline constexpr auto kBenchRoles = instruments::kRoles;
// The role's key in [bench]: "generator", "power_meter", "modulation_meter",
// "frequency_counter".
std::string_view RoleKey(BenchRole role);
// In words for messages: "a generator", "a power meter", ...
std::string_view RoleWords(BenchRole role);

// What the meters measure on the transmitter: power in W, deviation and frequency in Hz.
using Quantity = instruments::Quantity;
inline constexpr std::array<Quantity, 3> kQuantities{Quantity::Power, Quantity::Deviation,
                                                     Quantity::Frequency};
std::string_view QuantityName(Quantity quantity);  // "power", "deviation", "frequency"
std::string_view QuantityUnit(Quantity quantity);  // "W", "Hz", "Hz"
BenchRole MeterFor(Quantity quantity);

// A value in its quantity's unit, or a frequency of the test channel, which is known only once
// the radio is loaded and CH No. chosen.
struct Nominal {
    enum class Source { Given, ChannelRx, ChannelTx };
    Source source = Source::Given;
    double value = 0.0;  // Given only
    friend bool operator==(const Nominal&, const Nominal&) = default;
};

// The test channel's frequencies as the radio's image gives them for the channel CH No.
// selects when the step runs.
struct ChannelFrequencies {
    double rxHz = 0.0;
    double txHz = 0.0;
};
double Resolve(const Nominal& nominal, const ChannelFrequencies& channel);

// Where a value passes: bounds, one or both, inclusive; or a target and a tolerance around it.
struct Acceptance {
    std::optional<double> min;
    std::optional<double> max;
    std::optional<Nominal> target;  // never together with min or max
    double tolerance = 0.0;         // > 0 with a target
    friend bool operator==(const Acceptance&, const Acceptance&) = default;
};

// An acceptance made concrete: an open side is an infinite bound.
struct Bounds {
    double min = 0.0;
    double max = 0.0;
    bool Contains(double value) const { return value >= min && value <= max; }
};
Bounds Resolve(const Acceptance& acceptance, const ChannelFrequencies& channel);

// A console item named by the file: its console index and its title as the console shows it
// without the leading blanks.
struct ItemRef {
    std::int16_t index = -1;
    std::string title;
    friend bool operator==(const ItemRef&, const ItemRef&) = default;
};

// A row of the live readings named by the file: its list and row, its label as shown
// ("LVIN") and the unit the row displays its value in ("V", "°C" or "%"); a check compares
// the value in that unit, so per cent rows are checked in per cent.
struct ReadingRef {
    ReadingGroup group = ReadingGroup::Ad;
    int index = 0;
    std::string label;
    std::string unit;
    friend bool operator==(const ReadingRef&, const ReadingRef&) = default;
};

// Shows a text and waits for OK (Enter on the command line).
struct PromptStep {
    std::string text;
    friend bool operator==(const PromptStep&, const PromptStep&) = default;
};

// Asks the technician a yes/no question about what they see or hear: yes passes, no fails.
struct ConfirmStep {
    std::string text;
    friend bool operator==(const ConfirmStep&, const ConfirmStep&) = default;
};

// Waits, for a radio to warm up or a setting to settle; Stop ends the wait.
struct WaitStep {
    std::chrono::milliseconds duration{0};
    friend bool operator==(const WaitStep&, const WaitStep&) = default;
};

// Sets the generator: only what the step gives, at least one of the three.
struct GeneratorStep {
    std::optional<Nominal> frequencyHz;  // Given in Hz, or ChannelRx
    std::optional<double> levelDbm;
    std::optional<bool> rfOn;
    friend bool operator==(const GeneratorStep&, const GeneratorStep&) = default;
};

struct ItemSetting {
    ItemRef item;
    std::int16_t value = 0;  // within the item's limits; CH No. still to be checked
                             // against the radio's own channel count
    FilePlace place;         // of the item's name in the file
    friend bool operator==(const ItemSetting&, const ItemSetting&) = default;
};

// Sets items one after the other, in the order the file gives them, as the console does.
struct SetStep {
    std::vector<ItemSetting> settings;
    friend bool operator==(const SetStep&, const SetStep&) = default;
};

// The band-pass sweep, as Enter on BPF ALL, BPF T1 or BPF T2 starts it.
struct SweepStep {
    BandPassFilter filter = BandPassFilter::All;
    friend bool operator==(const SweepStep&, const SweepStep&) = default;
};

using LevelSide = LevelItem;

// The level adjustment of RX LVA or TX LVA, after setting the target item when given.
struct LevelStep {
    LevelSide side = LevelSide::Rx;
    std::optional<std::int16_t> target;  // LV(RX LVA) or LV(TX LVA), within its limits
    friend bool operator==(const LevelStep&, const LevelStep&) = default;
};

// The RSSI threshold capture: S3 then S1. With a generator the runner sets each level and
// captures; without one it asks the technician to set them.
struct RssiStep {
    double s3Dbm = 0.0;
    double s1Dbm = 0.0;  // below s3Dbm
    // The technician feeds levels of their own choosing, a generator bound or not; the levels
    // above are not used (the command line's rssi, which names none).
    bool byHand = false;
    friend bool operator==(const RssiStep&, const RssiStep&) = default;
};

// Steps an item until the measured quantity is within target ± tolerance: at most maxSteps
// settings within the item's limits; on failure the item returns to its value at the start.
struct AdjustStep {
    ItemRef item;         // sent to the radio, never the channel item
    Quantity quantity = Quantity::Power;
    Nominal target;       // Given, or ChannelTx for a frequency
    double tolerance = 0.0;
    int maxSteps = 0;     // 1 .. the number of values the item has
    friend bool operator==(const AdjustStep&, const AdjustStep&) = default;
};

// A live reading within limits, in the unit its row displays.
struct CheckStep {
    ReadingRef reading;
    Acceptance limits;
    friend bool operator==(const CheckStep&, const CheckStep&) = default;
};

// An instrument reading within limits.
struct MeasureStep {
    Quantity quantity = Quantity::Power;
    Acceptance limits;  // a target may be ChannelTx for a frequency
    friend bool operator==(const MeasureStep&, const MeasureStep&) = default;
};

using StepAction = std::variant<PromptStep, ConfirmStep, WaitStep, GeneratorStep, SetStep,
                                SweepStep, LevelStep, RssiStep, AdjustStep, CheckStep,
                                MeasureStep>;

struct Step {
    std::string name;             // as the file gives it; empty when it gives none
    bool continueOnFail = false;  // a failure does not stop the procedure
    FilePlace place;              // of the step's [[step]] line
    StepAction action;
    friend bool operator==(const Step&, const Step&) = default;
};

// The step's kind as the file writes it: "prompt", "generator", ...
std::string_view KindName(const StepAction& action);
// The step's name, or when it has none a short description ("level rx, target 120").
std::string StepTitle(const Step& step);
// The instrument the step cannot run without; none for steps that need no instrument (an
// rssi step uses the generator when there is one and asks the technician otherwise).
std::optional<BenchRole> RoleNeeded(const StepAction& action);

inline constexpr std::chrono::milliseconds kDefaultQueryTimeout{2000};

struct Bench {
    // The address of each role, by BenchRole; empty where the file names none.
    std::array<std::string, kBenchRoles.size()> addresses;
    std::string profileName = "generic";  // a built-in profile; empty when profileFile is set
    std::string profileFile;              // a profile file, its path from the procedure's folder
    std::chrono::milliseconds queryTimeout = kDefaultQueryTimeout;

    const std::string& address(BenchRole role) const {
        return addresses[static_cast<std::size_t>(role)];
    }
    friend bool operator==(const Bench&, const Bench&) = default;
};

struct Procedure {
    std::string file;      // the path it was read from
    std::string title;     // empty when the file has none
    std::string revision;  // of the shop's document, empty when the file has none
    // CRC-32 of the text as read, 8 hexadecimal digits: tells which version of a file a run
    // followed, whatever its revision says.
    std::string checksum;
    Bench bench;
    std::vector<Step> steps;  // at least one
    friend bool operator==(const Procedure&, const Procedure&) = default;
};

// The roles the steps cannot run without, in BenchRole order: the instruments to open.
std::vector<BenchRole> RolesNeeded(const Procedure& procedure);

}  // namespace qs::procedure
