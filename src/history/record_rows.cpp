#include "history/record_rows.h"

#include "history/records_schema.h"
#include "record/run_record_file.h"

namespace qs {
namespace {

SqlValue I(std::int64_t value) {
    return value;
}
SqlValue T(const std::string& text) {
    return text;
}
SqlValue R(std::optional<double> value) {
    if (!value) return std::monostate{};
    return *value;
}

const char* ResultKindWord(AutoOpKind kind) {
    switch (kind) {
        case AutoOpKind::RssiThreshold:
            return "RSSI";
        case AutoOpKind::LevelAdjust:
            return "LVA";
        case AutoOpKind::BandPassSweep:
            break;
    }
    return "BPF";
}

std::optional<AutoOpKind> ResultKind(const std::string& word) {
    if (word == "BPF") return AutoOpKind::BandPassSweep;
    if (word == "LVA") return AutoOpKind::LevelAdjust;
    if (word == "RSSI") return AutoOpKind::RssiThreshold;
    return std::nullopt;
}

int Small(const SqlValue& value) {
    return static_cast<int>(IntOf(value));
}

}  // namespace

std::int64_t IntOf(const SqlValue& value, std::int64_t fallback) {
    if (const auto* i = std::get_if<std::int64_t>(&value)) return *i;
    if (const auto* d = std::get_if<double>(&value)) return static_cast<std::int64_t>(*d);
    return fallback;
}

std::string TextOf(const SqlValue& value) {
    if (const auto* s = std::get_if<std::string>(&value)) return *s;
    if (const auto* i = std::get_if<std::int64_t>(&value)) return std::to_string(*i);
    return "";
}

std::optional<double> RealOf(const SqlValue& value) {
    if (const auto* d = std::get_if<double>(&value)) return *d;
    if (const auto* i = std::get_if<std::int64_t>(&value)) return static_cast<double>(*i);
    return std::nullopt;
}

const char* StateWord(ConnectionState state) {
    switch (state) {
        case ConnectionState::Open:
            return "open";
        case ConnectionState::Finished:
            return "finished";
        case ConnectionState::Unfinished:
            return "unfinished";
        case ConnectionState::Imported:
            return "imported";
    }
    return "open";
}

std::optional<ConnectionState> StateFromWord(const std::string& word) {
    for (ConnectionState s : {ConnectionState::Open, ConnectionState::Finished,
                              ConnectionState::Unfinished, ConnectionState::Imported}) {
        if (word == StateWord(s)) return s;
    }
    return std::nullopt;
}

std::string ConnectionSelectSql() {
    std::string sql = "SELECT ";
    for (const RecordsColumn& c : ConnectionColumns())
        sql += std::string(c.name) + ", ";
    return sql + "id FROM connections";
}

SqlRow ConnectionRow(const ConnectionInfo& c) {
    const std::size_t slash = c.backupPath.find_last_of('/');
    const std::string name =
        slash == std::string::npos ? c.backupPath : c.backupPath.substr(slash + 1);
    return {T(c.uid),
            T(StateWord(c.state)),
            I(c.startedAt),
            T(c.startedLocal),
            c.endedAt ? I(*c.endedAt) : SqlValue{},
            T(c.bench),
            T(c.programVersion),
            T(c.modelCode),
            T(c.subCode),
            T(c.identificationHex),
            T(c.backupCrc),
            T(c.backupPath),
            T(name),
            T(c.technician),
            T(c.serialNumber),
            T(c.workOrder),
            T(c.procedureTitle),
            T(c.verdict)};
}

ConnectionInfo ConnectionFromRow(const SqlRow& row) {
    ConnectionInfo c;
    if (row.size() < ConnectionColumns().size()) return c;
    std::size_t i = 0;
    c.uid = TextOf(row[i++]);
    c.state = StateFromWord(TextOf(row[i++])).value_or(ConnectionState::Unfinished);
    c.startedAt = static_cast<std::time_t>(IntOf(row[i++]));
    c.startedLocal = TextOf(row[i++]);
    if (!std::holds_alternative<std::monostate>(row[i])) c.endedAt = IntOf(row[i]);
    ++i;
    c.bench = TextOf(row[i++]);
    c.programVersion = TextOf(row[i++]);
    c.modelCode = TextOf(row[i++]);
    c.subCode = TextOf(row[i++]);
    c.identificationHex = TextOf(row[i++]);
    c.backupCrc = TextOf(row[i++]);
    c.backupPath = TextOf(row[i++]);
    ++i;  // the backup's file name, kept for finding it again
    c.technician = TextOf(row[i++]);
    c.serialNumber = TextOf(row[i++]);
    c.workOrder = TextOf(row[i++]);
    c.procedureTitle = TextOf(row[i++]);
    c.verdict = TextOf(row[i++]);
    return c;
}

SqlRow DetailRow(const JournalEntry& e) {
    return {T(e.time), T(e.item), T(e.oldValue), T(e.newValue), T(e.command)};
}

SqlRow DetailRow(const TimedReading& r) {
    return {I(r.timeMs), T(r.point.group == ReadingGroup::Ad ? "AD" : "DA"), I(r.point.index),
            I(r.point.raw)};
}

SqlRow DetailRow(const TimedSweep& s) {
    return {I(s.timeMs), I(s.point.filter), I(s.point.value), I(s.point.level)};
}

SqlRow DetailRow(const TimedBisection& b) {
    return {I(b.timeMs), I(b.point.item), I(b.point.value), I(b.point.level), I(b.point.target)};
}

SqlRow DetailRow(const TimedResult& r) {
    const AutoOpResult& a = r.result;
    return {
        I(r.timeMs), T(ResultKindWord(a.kind)), I(a.item), I(a.ok ? 1 : 0), I(a.value), I(a.first),
        I(a.last)};
}

SqlRow DetailRow(const ProcedureStep& s) {
    return {T(s.name), T(s.kind), T(s.outcome), I(s.startedMs), I(s.endedMs), T(s.message)};
}

SqlRow DetailRow(std::int64_t stepSeq, const StepValue& v) {
    return {I(stepSeq), T(v.quantity), SqlValue{v.measured}, T(v.unit),
            R(v.low),   R(v.high),     T(v.outcome)};
}

SqlRow DetailRow(const InstrumentEvent& e) {
    return {I(e.timeMs),   T(e.role),          T(e.resource), T(e.kind),
            T(e.quantity), SqlValue{e.amount}, T(e.unit)};
}

SqlRow DetailRow(const RunRecord& run) {
    return {T(RunsText({run}))};
}

bool AddDetailRow(std::string_view table, const SqlRow& row, ConnectionRecord& record) {
    if (row.size() != DetailTableNamed(table).columns.size()) return false;
    CurveLog& curves = record.curves;
    if (table == "journal_entries") {
        record.journal.push_back(
            {TextOf(row[0]), TextOf(row[1]), TextOf(row[2]), TextOf(row[3]), TextOf(row[4])});
        return true;
    }
    if (table == "readings") {
        const std::string list = TextOf(row[1]);
        if (list != "AD" && list != "DA") return false;
        curves.readings.push_back(
            {Small(row[0]),
             {list == "AD" ? ReadingGroup::Ad : ReadingGroup::Da, Small(row[2]), Small(row[3])}});
        return true;
    }
    if (table == "sweep_steps") {
        curves.sweeps.push_back({Small(row[0]), {Small(row[1]), Small(row[2]), Small(row[3])}});
        return true;
    }
    if (table == "bisection_steps") {
        curves.bisections.push_back(
            {Small(row[0]), {Small(row[1]), Small(row[2]), Small(row[3]), Small(row[4])}});
        return true;
    }
    if (table == "operation_results") {
        const auto kind = ResultKind(TextOf(row[1]));
        if (!kind) return false;
        curves.results.push_back({Small(row[0]),
                                  {*kind, Small(row[2]), IntOf(row[3]) != 0, Small(row[4]),
                                   Small(row[5]), Small(row[6])}});
        return true;
    }
    if (table == "procedure_steps") {
        record.steps.push_back({TextOf(row[0]),
                                TextOf(row[1]),
                                TextOf(row[2]),
                                IntOf(row[3]),
                                IntOf(row[4]),
                                TextOf(row[5]),
                                {}});
        return true;
    }
    if (table == "step_values") {
        const std::int64_t step = IntOf(row[0], -1);
        if (step < 0 || static_cast<std::size_t>(step) >= record.steps.size()) return false;
        record.steps[static_cast<std::size_t>(step)].values.push_back(
            {TextOf(row[1]), RealOf(row[2]).value_or(0), TextOf(row[3]), RealOf(row[4]),
             RealOf(row[5]), TextOf(row[6])});
        return true;
    }
    if (table == "procedure_runs") {
        std::vector<RunRecord> runs;
        std::string error;
        if (!ParseRuns(TextOf(row[0]), "a recorded run", runs, error) || runs.size() != 1)
            return false;
        record.runs.push_back(std::move(runs.front()));
        return true;
    }
    if (table == "instrument_events") {
        record.instruments.push_back({IntOf(row[0]), TextOf(row[1]), TextOf(row[2]), TextOf(row[3]),
                                      TextOf(row[4]), RealOf(row[5]).value_or(0), TextOf(row[6])});
        return true;
    }
    return false;
}

}  // namespace qs
