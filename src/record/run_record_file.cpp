#include "record/run_record_file.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include <toml++/toml.h>

#include "record/run_record_salvage.h"
#include "shell/atomic_file.h"

namespace qs {
namespace {

constexpr const char* kHeading = "# QS-71DR ADJ procedure runs\n";
constexpr std::int64_t kFormat = 1;
// More than any file of ours holds; a file beyond them is not read.
constexpr std::size_t kMaxRuns = 1000;
constexpr std::size_t kMaxSteps = 10000;
constexpr std::size_t kMaxValues = 100000;
constexpr std::size_t kMaxInstruments = 100;

// --- Writing ------------------------------------------------------------------------------

void PutText(toml::table& t, const char* key, const std::string& text) {
    if (!text.empty()) t.insert_or_assign(key, text);
}

void PutNumber(toml::table& t, const char* key, const std::optional<double>& number) {
    if (number && std::isfinite(*number)) t.insert_or_assign(key, *number);
}

toml::table ValueTable(const SeenValue& value) {
    toml::table t;
    t.insert_or_assign("name", value.name);
    t.insert_or_assign("text", value.text);
    PutNumber(t, "number", value.number);
    PutText(t, "unit", value.unit);
    return t;
}

toml::table LimitsTable(const StepLimits& limits) {
    toml::table t;
    PutNumber(t, "min", limits.min);
    PutNumber(t, "max", limits.max);
    PutText(t, "unit", limits.unit);
    t.insert_or_assign("text", limits.text);
    return t;
}

toml::table StepTable(const StepRecord& step) {
    toml::table t;
    t.insert_or_assign("number", static_cast<std::int64_t>(step.number));
    t.insert_or_assign("title", step.title);
    t.insert_or_assign("kind", step.kind);
    t.insert_or_assign("continueOnFail", step.continueOnFail);
    t.insert_or_assign("outcome", std::string(OutcomeWord(step.outcome)));
    PutText(t, "message", step.message);
    if (step.limits) t.insert_or_assign("limits", LimitsTable(*step.limits));
    if (step.measured) t.insert_or_assign("measured", ValueTable(*step.measured));
    toml::array values;
    for (const SeenValue& value : step.values) values.push_back(ValueTable(value));
    t.insert_or_assign("values", std::move(values));
    PutText(t, "started", step.started);
    t.insert_or_assign("startMs", step.startMs);
    t.insert_or_assign("durationMs", step.durationMs);
    return t;
}

toml::table PaceTable(const RunPace& pace) {
    toml::table t;
    t.insert_or_assign("lineBytes", static_cast<std::int64_t>(pace.lineBytes));
    t.insert_or_assign("baud", static_cast<std::int64_t>(pace.baud));
    t.insert_or_assign("afterCommandWaitMs", pace.afterCommandWaitMs);
    t.insert_or_assign("waitedCommands", pace.waitedCommands);
    t.insert_or_assign("instrumentMs", pace.instrumentMs);
    t.insert_or_assign("technicianMs", pace.technicianMs);
    t.insert_or_assign("leastMs", pace.LeastMs());
    return t;
}

toml::table RunTable(const RunRecord& run) {
    toml::table t;
    const std::pair<const char*, const std::string*> texts[] = {
        {"procedureTitle", &run.procedureTitle}, {"procedureRevision", &run.procedureRevision},
        {"procedureFile", &run.procedureFile},   {"procedureChecksum", &run.procedureChecksum},
        {"technician", &run.technician},
        {"serialNumber", &run.serialNumber},     {"workOrder", &run.workOrder},
        {"bench", &run.bench},
        {"modelCode", &run.modelCode},           {"subCode", &run.subCode},
        {"backup", &run.backupPath},             {"journal", &run.journalPath},
        {"started", &run.started},               {"ended", &run.ended},
        {"endReason", &run.endReason},
    };
    for (const auto& [key, text] : texts) t.insert_or_assign(key, *text);
    // Written only when known, so a run recorded without it reads as it was.
    if (!run.radioHolds.empty()) t.insert_or_assign("radioHolds", run.radioHolds);
    t.insert_or_assign("durationMs", run.durationMs);
    t.insert_or_assign("verdict", std::string(VerdictWord(run.verdict)));
    t.insert_or_assign("complete", run.complete);
    // Only while it is so: the files of a run that ended read as before.
    if (run.inProgress) t.insert_or_assign("inProgress", true);
    toml::array notes;
    for (const std::string& note : run.notes) notes.push_back(note);
    t.insert_or_assign("notes", std::move(notes));
    toml::array steps;
    for (const StepRecord& step : run.steps) steps.push_back(StepTable(step));
    t.insert_or_assign("step", std::move(steps));
    toml::array instruments;
    for (const RunInstrument& i : run.instruments) {
        toml::table it;
        it.insert_or_assign("role", i.role);
        it.insert_or_assign("address", i.address);
        PutText(it, "identity", i.identity);
        PutText(it, "calibrationDue", i.calibrationDue);
        instruments.push_back(std::move(it));
    }
    t.insert_or_assign("instrument", std::move(instruments));
    t.insert_or_assign("pace", PaceTable(run.pace));
    return t;
}

// --- Reading ------------------------------------------------------------------------------

// Reads what it can; a key of the wrong type reads as missing, so a damaged field cannot
// turn into a wrong number.
class Reader {
public:
    explicit Reader(const toml::table* table) : t_(table) {}

    std::string Text(const char* key) const {
        return t_ ? (*t_)[key].value<std::string>().value_or("") : "";
    }
    std::optional<double> Number(const char* key) const {
        if (!t_) return std::nullopt;
        if (const auto v = (*t_)[key].value<double>(); v && std::isfinite(*v)) return v;
        return std::nullopt;
    }
    std::int64_t Whole(const char* key, std::int64_t fallback) const {
        return t_ ? (*t_)[key].value<std::int64_t>().value_or(fallback) : fallback;
    }
    bool Flag(const char* key) const { return t_ && (*t_)[key].value<bool>().value_or(false); }
    const toml::table* Table(const char* key) const { return t_ ? (*t_)[key].as_table() : nullptr; }
    const toml::array* Array(const char* key) const { return t_ ? (*t_)[key].as_array() : nullptr; }

private:
    const toml::table* t_;
};

SeenValue ReadValue(const toml::table* table) {
    const Reader r(table);
    return {r.Text("name"), r.Text("text"), r.Number("number"), r.Text("unit")};
}

bool ReadStep(const toml::table& table, StepRecord& step, std::size_t& values,
              std::string& error) {
    const Reader r(&table);
    step.number = static_cast<int>(r.Whole("number", 0));
    step.title = r.Text("title");
    step.kind = r.Text("kind");
    step.continueOnFail = r.Flag("continueOnFail");
    const auto outcome = OutcomeFromWord(r.Text("outcome"));
    if (!outcome) {
        error = "step " + std::to_string(step.number) + " has no outcome";
        return false;
    }
    step.outcome = *outcome;
    step.message = r.Text("message");
    if (const toml::table* limits = r.Table("limits")) {
        const Reader l(limits);
        step.limits = StepLimits{l.Number("min"), l.Number("max"), l.Text("unit"), l.Text("text")};
    }
    if (const toml::table* measured = r.Table("measured")) step.measured = ReadValue(measured);
    if (const toml::array* list = r.Array("values")) {
        for (const toml::node& node : *list) {
            if (++values > kMaxValues) {
                error = "too many values";
                return false;
            }
            step.values.push_back(ReadValue(node.as_table()));
        }
    }
    step.started = r.Text("started");
    step.startMs = r.Whole("startMs", -1);
    step.durationMs = r.Whole("durationMs", 0);
    return true;
}

bool ReadRun(const toml::table& table, RunRecord& run, std::string& error) {
    const Reader r(&table);
    run.procedureTitle = r.Text("procedureTitle");
    run.procedureRevision = r.Text("procedureRevision");
    run.procedureFile = r.Text("procedureFile");
    run.procedureChecksum = r.Text("procedureChecksum");
    run.technician = r.Text("technician");
    run.serialNumber = r.Text("serialNumber");
    run.workOrder = r.Text("workOrder");
    run.bench = r.Text("bench");
    run.modelCode = r.Text("modelCode");
    run.subCode = r.Text("subCode");
    run.backupPath = r.Text("backup");
    run.journalPath = r.Text("journal");
    run.started = r.Text("started");
    run.ended = r.Text("ended");
    run.endReason = r.Text("endReason");
    run.radioHolds = r.Text("radioHolds");
    run.durationMs = r.Whole("durationMs", 0);
    const std::string verdict = r.Text("verdict");
    const std::optional<RunVerdict> known = VerdictFromWord(verdict);
    if (!known) {
        error = "a run has no verdict";
        return false;
    }
    run.verdict = *known;
    run.complete = r.Flag("complete");
    run.inProgress = r.Flag("inProgress");
    if (const toml::array* notes = r.Array("notes")) {
        for (const toml::node& note : *notes) {
            if (const auto text = note.value<std::string>()) run.notes.push_back(*text);
        }
    }
    std::size_t values = 0;
    if (const toml::array* steps = r.Array("step")) {
        if (steps->size() > kMaxSteps) {
            error = "too many steps";
            return false;
        }
        for (const toml::node& node : *steps) {
            const toml::table* stepTable = node.as_table();
            StepRecord step;
            if (stepTable == nullptr) {
                error = "a step is not a table";
                return false;
            }
            if (!ReadStep(*stepTable, step, values, error)) return false;
            run.steps.push_back(std::move(step));
        }
    }
    if (const toml::array* instruments = r.Array("instrument")) {
        if (instruments->size() > kMaxInstruments) {
            error = "too many instruments";
            return false;
        }
        for (const toml::node& node : *instruments) {
            const Reader i(node.as_table());
            run.instruments.push_back(
                {i.Text("role"), i.Text("address"), i.Text("identity"), i.Text("calibrationDue")});
        }
    }
    const Reader pace(r.Table("pace"));
    run.pace.lineBytes = static_cast<std::uint64_t>(std::max<std::int64_t>(0, pace.Whole("lineBytes", 0)));
    run.pace.baud = static_cast<std::int32_t>(pace.Whole("baud", 9600));
    run.pace.afterCommandWaitMs = pace.Whole("afterCommandWaitMs", 0);
    run.pace.waitedCommands = pace.Whole("waitedCommands", 0);
    run.pace.instrumentMs = pace.Whole("instrumentMs", 0);
    run.pace.technicianMs = pace.Whole("technicianMs", 0);
    return true;
}

}  // namespace

std::string RunsText(const std::vector<RunRecord>& runs) {
    toml::table root;
    root.insert_or_assign("format", kFormat);
    toml::array list;
    for (const RunRecord& run : runs) list.push_back(RunTable(run));
    root.insert_or_assign("run", std::move(list));
    std::ostringstream out;
    out << kHeading << toml::toml_formatter{root} << "\n";
    return out.str();
}

namespace {

// `skipped` null: the file is taken whole or not at all (a file about to be written again
// must lose nothing). Otherwise what cannot be read is left out and named there.
bool ParseRunsText(std::string_view text, const std::string& file, std::vector<RunRecord>& runs,
                   std::vector<std::string>* skipped, std::string& error) {
    runs.clear();
    if (text.size() > kMaxRunsFileBytes) {
        error = file + ": too large to be a runs file";
        return false;
    }
    toml::table root;
    if (skipped != nullptr) {
        std::optional<toml::table> parsed = ParseTomlSkippingLines(text, file, *skipped, error);
        if (!parsed) return false;
        root = std::move(*parsed);
    } else {
        try {
            root = toml::parse(text, std::string_view(file));
        } catch (const toml::parse_error& e) {
            error = file + ":" + std::to_string(e.source().begin.line) + ": " +
                    std::string(e.description());
            return false;
        }
    }
    if (root["format"].value<std::int64_t>() != kFormat) {
        error = file + ": not a runs file of this program (no 'format = 1')";
        return false;
    }
    if (skipped != nullptr) DropUntrustedValues(root, file, *skipped);
    const toml::array* list = root["run"].as_array();
    if (list == nullptr) return true;
    if (list->size() > kMaxRuns) {
        error = file + ": too many runs";
        return false;
    }
    std::size_t number = 0;
    for (const toml::node& node : *list) {
        ++number;
        RunRecord run;
        const toml::table* table = node.as_table();
        if (table == nullptr || !ReadRun(*table, run, error)) {
            const std::string why =
                "run " + std::to_string(number) + ": " + (table == nullptr ? "not a table" : error);
            error.clear();
            if (skipped == nullptr) {
                error = file + ": " + why;
                return false;
            }
            skipped->push_back(file + ":" + std::to_string(node.source().begin.line) + ": " + why +
                               "; skipped");
            continue;
        }
        runs.push_back(std::move(run));
    }
    return true;
}

bool ReadRunsText(const std::string& path, std::string& text, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "The runs file " + path + " cannot be read.";
        return false;
    }
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxRunsFileBytes) {
            error = "The runs file " + path + " is too large to be one.";
            return false;
        }
    }
    return true;
}

}  // namespace

bool ParseRuns(std::string_view text, const std::string& file, std::vector<RunRecord>& runs,
               std::string& error) {
    return ParseRunsText(text, file, runs, nullptr, error);
}

bool ParseRuns(std::string_view text, const std::string& file, std::vector<RunRecord>& runs,
               std::vector<std::string>& skipped, std::string& error) {
    return ParseRunsText(text, file, runs, &skipped, error);
}

bool ReadRunsFile(const std::string& path, std::vector<RunRecord>& runs, std::string& error) {
    std::string text;
    return ReadRunsText(path, text, error) && ParseRuns(text, path, runs, error);
}

bool ReadRunsFile(const std::string& path, std::vector<RunRecord>& runs,
                  std::vector<std::string>& skipped, std::string& error) {
    std::string text;
    return ReadRunsText(path, text, error) && ParseRuns(text, path, runs, skipped, error);
}

bool StoreRun(const std::string& path, const RunRecord& run, int& slot, std::string& error) {
    std::vector<RunRecord> runs;
    std::error_code ec;
    if (std::filesystem::exists(path, ec) && !ReadRunsFile(path, runs, error)) return false;
    if (slot < 0 || static_cast<std::size_t>(slot) >= runs.size()) {
        slot = static_cast<int>(runs.size());
        runs.push_back(run);
    } else {
        runs[static_cast<std::size_t>(slot)] = run;
    }
    return WriteFileAtomically(path, RunsText(runs), ExistingFile::Replace, error);
}

std::string RunRecordJson(const RunRecord& run) {
    std::ostringstream out;
    out << toml::json_formatter{RunTable(run)} << "\n";
    return out.str();
}

}  // namespace qs
