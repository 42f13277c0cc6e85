#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "record/curve_log.h"
#include "record/run_record.h"
#include "safety/journal_file.h"

namespace qs {

enum class ConnectionState {
    Open,        // being written by a running program
    Finished,    // ended as the program ended it
    Unfinished,  // the program stopped before it could end it (killed, crashed, power cut)
    Imported,    // taken from a backup folder's files
};

// One connection as its row in the records holds it.
struct ConnectionInfo {
    std::string uid;  // unique across benches and programs
    ConnectionState state = ConnectionState::Open;
    std::time_t startedAt = 0;  // seconds since 1970 UTC
    std::string startedLocal;   // "2026-12-07 10:46:02", as the backup says
    std::optional<std::time_t> endedAt;
    std::string bench;
    std::string programVersion;
    std::string modelCode;
    std::string subCode;
    std::string identificationHex;
    std::string backupCrc;   // 8 hexadecimal digits; empty when no backup was written
    std::string backupPath;  // empty when no backup was written
    // Asked at the start of a procedure; empty otherwise.
    std::string technician;
    std::string serialNumber;
    std::string workOrder;
    std::string procedureTitle;
    // The verdict of the connection's last run: "PASS", "FAIL", "ERROR", "ABORTED"
    // (older records wrote them in lower case), or empty when no procedure ran in it.
    std::string verdict;

    bool operator==(const ConnectionInfo&) const = default;
};

// An adjustment item's value at Connect and at the end ("-" where not known).
struct ItemValue {
    std::string item;  // as the journal names it, e.g. "Power(Hi)"
    std::string atConnect;
    std::string atEnd;  // empty until the connection ends

    bool operator==(const ItemValue&) const = default;
};

// One value a procedure step saw, with its limits and what it made of it.
struct StepValue {
    std::string quantity;  // "power", "LVIN", "Power(Hi)" ...
    double measured = 0;
    std::string unit;
    std::optional<double> low;
    std::optional<double> high;
    std::string outcome;  // "pass", "fail", "skip", "error", "aborted", or empty for a plain value

    bool operator==(const StepValue&) const = default;
};

// One step of an alignment procedure; times in milliseconds since the connection started.
struct ProcedureStep {
    std::string name;
    std::string kind;     // "prompt", "set", "sweep", "level", "adjust", "check" ...
    std::string outcome;  // "pass", "fail", "skip", "error", "aborted"
    std::int64_t startedMs = 0;
    std::int64_t endedMs = 0;
    std::string message;
    std::vector<StepValue> values;

    bool operator==(const ProcedureStep&) const = default;
};

// A setting made on, or a reading taken from, a bench instrument.
struct InstrumentEvent {
    std::int64_t timeMs = 0;
    std::string role;      // "generator", "power_meter" ...
    std::string resource;  // "TCPIP::127.0.0.1::5025::SOCKET"
    std::string kind;      // "setting" or "reading"
    std::string quantity;  // "frequency", "level", "power" ...
    double amount = 0;
    std::string unit;

    bool operator==(const InstrumentEvent&) const = default;
};

// Everything the records hold of one connection: enough to make its report, compare it with
// another, or send it to a shared server.
struct ConnectionRecord {
    ConnectionInfo info;
    std::vector<ItemValue> items;
    std::vector<JournalEntry> journal;
    CurveLog curves;
    std::vector<ProcedureStep> steps;
    std::vector<InstrumentEvent> instruments;
    std::vector<RunRecord> runs;  // the procedure runs whole, in order
};

// What a history search asks for; empty fields do not narrow it. Times are seconds since 1970
// UTC, `since` inclusive and `until` exclusive.
struct HistoryFilter {
    std::string serialNumber;
    std::string workOrder;
    std::string technician;
    std::string verdict;
    std::string bench;
    std::optional<std::time_t> since;
    std::optional<std::time_t> until;
    int limit = 1000;
};

const char* StateWord(ConnectionState state);
std::optional<ConnectionState> StateFromWord(const std::string& word);

}  // namespace qs
