#pragma once

// The record of one run of an alignment procedure: who ran it on which radio, each step with
// the values it saw, its limits, the value judged and its outcome, and the verdict. The runner
// builds it once, as the run goes; the report, the JSON and the records database are made from
// it, and the runs file beside the connection's backup keeps it (run_record_file.h).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qs {

// How a step ended. Fail: a limit was not met. Error: the radio, an instrument or a file
// failed, so nothing could be judged. Aborted: stopped by the technician, a signal or the
// time-out; a stop is never a failure. Skipped: not reached.
enum class StepOutcome { Pass, Fail, Error, Skipped, Aborted };
// "pass", "fail", "error", "skipped", "aborted"; nothing for any other word.
const char* OutcomeWord(StepOutcome outcome);
std::optional<StepOutcome> OutcomeFromWord(const std::string& word);

// How a run ended, with the same meanings as a step's outcome.
enum class RunVerdict { Pass, Fail, Error, Aborted };
const char* VerdictWord(RunVerdict verdict);  // "PASS", "FAIL", "ERROR", "ABORTED"
std::optional<RunVerdict> VerdictFromWord(const std::string& word);

// One value a step set or saw: an item's value sent, a live reading, a measurement, an
// instrument setting.
struct SeenValue {
    std::string name;              // "Power(Hi)", "LVIN", "power", "generator level"
    std::string text;              // as shown: "212", "2.35V", "5.53 W", "RF on"
    std::optional<double> number;  // in `unit`; none for words such as "RF on"
    std::string unit;              // "W", "Hz", "V", "dBm", "" for an item's value
    bool operator==(const SeenValue&) const = default;
};

// The limits a judged value had to keep, made concrete when the step ran (a target "tx" is
// then a frequency). An open side has no number.
struct StepLimits {
    std::optional<double> min;
    std::optional<double> max;
    std::string unit;
    std::string text;  // "146520000 Hz ± 100 Hz", "2.3 to 2.6 V", "at least 7 V"
    bool operator==(const StepLimits&) const = default;
};

struct StepRecord {
    int number = 0;  // from 1, in the procedure's order
    std::string title;
    std::string kind;  // "adjust", "check", ...
    bool continueOnFail = false;
    StepOutcome outcome = StepOutcome::Skipped;
    // Why it failed, could not be judged or was skipped; what it did, when it passed.
    std::string message;
    std::optional<StepLimits> limits;   // for the steps that judge a value
    std::optional<SeenValue> measured;  // the value judged, rounded as shown
    std::vector<SeenValue> values;      // everything it set or saw, in order
    std::string started;                // local date and time; empty when it did not run
    std::int64_t startMs = -1;          // since the run began; -1 when it did not run
    std::int64_t durationMs = 0;
    bool operator==(const StepRecord&) const = default;
};

// Where a run's time went, for telling the program's own share from what the radio's line,
// the console's pacing, the instruments and the technician needed.
struct RunPace {
    std::uint64_t lineBytes = 0;  // on the radio's line, both ways (the cable echoes)
    std::int32_t baud = 9600;
    std::int64_t afterCommandWaitMs = 0;  // the console's waits after its commands
    std::int64_t waitedCommands = 0;      // the commands those waits followed
    std::int64_t instrumentMs = 0;        // from each instrument request to its answer
    std::int64_t technicianMs = 0;        // prompts awaiting OK, and the wait steps
    // The least the run could have taken: the line time of every byte (10 bits each), the
    // waits, the instruments' answers and the technician's time. A command's own frame
    // leaves the line while its wait runs, so its line time is counted once, in the wait.
    std::int64_t LeastMs() const;
    bool operator==(const RunPace&) const = default;
};

// An instrument the run used, as the bench knew it when the run ended.
struct RunInstrument {
    std::string role;      // "generator", "power_meter", ... (the settings' words)
    std::string address;   // "TCPIP::127.0.0.1::5025::SOCKET"
    std::string identity;  // its answer to *IDN?, empty when it never answered one
    // As the bench settings write it: "2027-03-01", or a text that is no day (said as
    // unreadable); empty where they give none.
    std::string calibrationDue;
    bool operator==(const RunInstrument&) const = default;
};

struct RunRecord {
    std::string procedureTitle;
    std::string procedureRevision;
    std::string procedureFile;
    std::string procedureChecksum;  // CRC-32 of the file as read, 8 hexadecimal digits
    std::string technician;
    std::string serialNumber;
    std::string workOrder;
    std::string bench;      // the bench's name (the settings', else the host's)
    std::string modelCode;  // of the radio, as it identified itself
    std::string subCode;
    std::string backupPath;  // of the connection the run was made in; empty without one
    std::string journalPath;
    std::string started;  // local date and time
    std::string ended;    // empty while the run goes on
    std::int64_t durationMs = 0;
    RunVerdict verdict = RunVerdict::Fail;
    // Every step has been carried to an end; false after a stop, a lost radio or a failure
    // that ended the run early.
    bool complete = false;
    // Why the run ended early, empty when it did not: "stopped by the technician at step 7",
    // "step 5 failed", "the radio link failed: ...".
    std::string endReason;
    // What the run did beyond its steps, such as switching the generator's RF off at the end.
    std::vector<std::string> notes;
    // What the radio and the generator hold at the end, as the radio confirmed it: "The radio
    // holds TX LVA = 192 (was 180); generator RF off." Empty for a run that never connected.
    std::string radioHolds;
    // Kept so in its files while the run goes on (run_in_progress.h): the program ended during
    // it when the next start finds it so.
    bool inProgress = false;
    std::vector<StepRecord> steps;
    std::vector<RunInstrument> instruments;
    RunPace pace;
    bool operator==(const RunRecord&) const = default;
};

// Everything a step set or saw, as one line: "Power(Hi) 212, power 5.02 W, VIN 7.49 V".
std::string StepValuesText(const StepRecord& step);

// PASS exactly when every step passed; otherwise the gravest end of a step: ABORTED before
// ERROR before FAIL.
RunVerdict VerdictOf(const std::vector<StepRecord>& steps);

}  // namespace qs
