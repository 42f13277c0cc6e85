#include "record/report_runs_html.h"

#include <cstdio>

#include "instruments/calibration.h"
#include "instruments/instrument_identity.h"
#include "model/reading_text.h"
#include "record/report_charts_svg.h"
#include "record/run_summary.h"
#include "record/step_summary.h"
#include "record/verdict_style.h"
#include "record/verdict_words.h"

namespace qs {
namespace {

std::string E(const std::string& text) {
    return XmlEscaped(text);
}

std::string Coloured(const std::string& word, const char* colour) {
    return std::string("<font color=\"") + colour + "\"><b>" + E(word) + "</b></font>";
}

std::string RunTitle(const RunRecord& run) {
    std::string title = run.procedureTitle.empty() ? run.procedureFile : run.procedureTitle;
    if (!run.procedureRevision.empty()) title += ", revision " + run.procedureRevision;
    return title;
}

std::string Day(const std::string& dateTime) {
    return dateTime.substr(0, 10);
}

// Two facts a row, so that the first page holds them all.
ReportTable FactsTable(const std::vector<std::pair<std::string, std::string>>& facts) {
    ReportTable table;
    table.columns = {{"", 14, true}, {"", 36}, {"", 14, true}, {"", 36}};
    for (std::size_t i = 0; i < facts.size(); i += 2) {
        ReportRow row;
        row.cells = {E(facts[i].first), E(facts[i].second)};
        if (i + 1 < facts.size()) {
            row.cells.push_back(E(facts[i + 1].first));
            row.cells.push_back(E(facts[i + 1].second));
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

// The verdict in large letters, with the last run's calibration note beside it.
std::string BannerHtml(const std::optional<RunVerdict>& verdict, const RunRecord* last,
                       const std::string& line) {
    const std::string word = ConnectionVerdictText(verdict);
    const char* colour = verdict ? VerdictColour(*verdict) : kNoRunColour;
    return std::string("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"8\"><tr><td bgcolor=\"") +
           colour + "\" style=\"background-color:" + colour +
           "\"><font size=\"7\" color=\"#ffffff\"><b>" +
           E(last != nullptr ? VerdictWithCalibration(word, *last) : word) +
           "</b></font><br><font color=\"#ffffff\">" +
           E(line) + "</font></td></tr></table>\n";
}

std::string StepCountsText(const RunRecord& run) {
    return CountsText(CountOutcomes(run.steps));
}

void AddInstrumentBlocks(const RunRecord& run, std::vector<ReportBlock>& blocks) {
    if (run.instruments.empty()) {
        blocks.push_back(TextBlock("<p>No bench instrument was used.</p>\n"));
        return;
    }
    blocks.push_back(HeadingBlock(3, "Instruments"));
    ReportTable table;
    table.columns = {{"Role", 14},     {"Maker", 14},   {"Model", 12},
                     {"Serial number", 12}, {"Firmware", 10}, {"Address", 24},
                     {"Calibration due", 14}};
    std::vector<std::string> overdue;
    for (const RunInstrument& i : run.instruments) {
        const instruments::IdentityParts id = instruments::SplitIdentity(i.identity);
        std::string due = i.calibrationDue.empty() ? std::string("not given") : E(i.calibrationDue);
        // Judged against the run's own day, so that the report says the same whenever it is made.
        switch (instruments::CalibrationStateOn(i.calibrationDue, Day(run.started))) {
            case instruments::CalibrationState::Overdue:
                due = Coloured(i.calibrationDue + " (passed)", VerdictColour(RunVerdict::Fail));
                overdue.push_back(BenchRoleTitle(i.role));
                break;
            case instruments::CalibrationState::Unreadable:
                due = Coloured("unreadable: '" + i.calibrationDue + "'", VerdictColour(RunVerdict::Fail));
                break;
            case instruments::CalibrationState::NotGiven:
            case instruments::CalibrationState::Current:
                break;
        }
        table.rows.push_back({{E(BenchRoleTitle(i.role)), E(id.maker), E(id.model),
                               E(id.serialNumber), E(id.firmware), "<tt>" + E(i.address) + "</tt>",
                               due}});
    }
    blocks.push_back(TableBlock(std::move(table)));
    std::string warnings;
    for (const std::string& role : overdue) {
        warnings += "<p>" +
                    Coloured("Warning: the " + role +
                                 "'s calibration had run out when the run was made.",
                             VerdictColour(RunVerdict::Fail)) +
                    "</p>\n";
    }
    if (!warnings.empty()) blocks.push_back(TextBlock(warnings));
}

// One line per step: what a reader scans for.
ReportTable StepsTable(const RunRecord& run) {
    ReportTable table;
    table.columns = {{"#", 3},       {"Step", 22},        {"Outcome", 8}, {"Measured", 11},
                     {"Limits", 16}, {"What it did", 33}, {"Time", 7}};
    for (const StepRecord& step : run.steps) {
        table.rows.push_back(
            {{std::to_string(step.number), E(step.title),
              Coloured(StepOutcomeLabel(step.outcome), OutcomeColour(step.outcome)),
              step.measured ? E(SpacedUnits(step.measured->text)) : "",
              step.limits ? E(step.limits->text) : "", E(StepWhatItDid(step)),
              step.startMs < 0 ? "" : E(DurationText(step.durationMs))},
             OutcomeRowTint(step.outcome)});
    }
    return table;
}

void AddRunFactBlocks(const RunRecord& run, std::vector<ReportBlock>& blocks) {
    blocks.push_back(TableBlock(FactsTable({
        {"Procedure", RunTitle(run)},
        {"Procedure file", run.procedureFile},
        {"File checksum (CRC-32)", run.procedureChecksum.empty() ? "-" : run.procedureChecksum},
        {"Steps", StepCountsText(run)},
        {"Started", run.started},
        {"Ended", run.ended.empty() ? "-" : run.ended},
        {"Duration", DurationText(run.durationMs)},
        {"Technician", run.technician},
    })));
    std::string h;
    // The same words as beside the run window's verdict: every step that did not pass.
    const std::string why = VerdictReason(run);
    if (!why.empty()) {
        h += "<p><b>" + Coloured(VerdictWord(run.verdict), VerdictColour(run.verdict)) + ":</b> " +
             E(SpacedUnits(why)) + "</p>\n";
    }
    for (const std::string& note : run.notes) h += "<p>" + E(note) + "</p>\n";
    // What the radio and the generator were left holding, as the radio confirmed it.
    if (!run.radioHolds.empty()) h += "<p><b>At the end:</b> " + E(run.radioHolds) + "</p>\n";
    if (!h.empty()) blocks.push_back(TextBlock(h));
}

// Why a run ended as it did, with the words of the first step that did not pass: "step 14
// failed; Modulation: 60 settings (max_steps) did not bring ..."; its counts for a pass.
std::string WhyText(const RunRecord& run) {
    std::string why = VerdictReason(run);
    if (why.empty()) return StepCountsText(run);
    for (const StepRecord& step : run.steps) {
        if (step.outcome == StepOutcome::Pass || step.outcome == StepOutcome::Skipped) continue;
        const std::string what = StepWhatItDid(step);
        if (!what.empty()) why += "; " + step.title + ": " + what;
        break;
    }
    return SpacedUnits(why);
}

// Each run before the last in one line: its verdict, when, and why it ended so.
ReportTable EarlierRunsTable(const std::vector<RunRecord>& runs) {
    ReportTable table;
    table.columns = {{"Run", 5}, {"Verdict", 8}, {"Started", 13}, {"Procedure", 24}, {"Why", 50}};
    for (std::size_t i = 0; i + 1 < runs.size(); ++i) {
        const RunRecord& run = runs[i];
        table.rows.push_back(
            {{std::to_string(i + 1), Coloured(VerdictWord(run.verdict), VerdictColour(run.verdict)),
              E(run.started), E(RunTitle(run)), E(WhyText(run))}});
    }
    return table;
}

}  // namespace

std::string DurationText(std::int64_t ms) {
    char text[48];
    if (ms < 1000) {
        std::snprintf(text, sizeof text, "%lld ms", static_cast<long long>(ms));
    } else if (ms < 60000) {
        std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms) / 1000.0);
    } else {
        std::snprintf(text, sizeof text, "%lld min %lld s", static_cast<long long>(ms / 60000),
                      static_cast<long long>((ms % 60000) / 1000));
    }
    return text;
}

void AddRunSummaryBlocks(const AlignmentReport& r, std::vector<ReportBlock>& blocks) {
    const std::optional<RunVerdict> verdict = ConnectionVerdict(r.runs);
    const RunRecord* last = r.runs.empty() ? nullptr : &r.runs.back();
    std::string line = "No procedure was run in this connection.";
    if (last != nullptr) {
        line = "Last run: " + RunTitle(*last) + ", " + StepCountsText(*last) + ".";
        if (r.runs.size() > 1) {
            line += " " + std::to_string(r.runs.size() - 1) +
                    (r.runs.size() == 2 ? " earlier run is listed after its steps."
                                        : " earlier runs are listed after its steps.");
        }
    }
    blocks.push_back(TextBlock(BannerHtml(verdict, last, line)));
    blocks.push_back(HeadingBlock(2, "Radio"));
    blocks.push_back(TableBlock(FactsTable({
        {"Radio", "QT-71DR"},
        {"Serial number", last ? last->serialNumber : std::string("-")},
        {"Model code", r.modelCode},
        {"Sub code", r.subCode},
        {"Work order", last ? last->workOrder : std::string("-")},
        {"Bench", last ? last->bench : std::string("-")},
        {"Read at Connect", r.dateTime},
        {"Backup CRC-32", r.backupCrc},
    })));
    if (last == nullptr) return;
    const std::string count = std::to_string(r.runs.size());
    blocks.push_back(HeadingBlock(
        2, "Run " + count + " of " + count + (r.runs.size() > 1 ? " (the last)" : "") + ": " +
               Coloured(VerdictWord(last->verdict), VerdictColour(last->verdict))));
    AddRunFactBlocks(*last, blocks);
    AddInstrumentBlocks(*last, blocks);
    // The steps start a page of their own: the first page is the summary.
    blocks.push_back(HeadingBlock(2, "Steps of run " + count, true));
    blocks.push_back(TableBlock(StepsTable(*last)));
    if (r.runs.size() < 2) return;
    blocks.push_back(HeadingBlock(2, "Earlier runs"));
    blocks.push_back(TableBlock(EarlierRunsTable(r.runs)));
}

void AddStepDetailBlocks(const std::vector<RunRecord>& runs, std::vector<ReportBlock>& blocks) {
    for (std::size_t i = runs.size(); i-- > 0;) {
        const RunRecord& run = runs[i];
        blocks.push_back(HeadingBlock(3, "Run " + std::to_string(i + 1) + " of " +
                                             std::to_string(runs.size()) +
                                             ": every setting and reading"));
        // A paragraph a step: the values flow over the whole width of the page.
        for (const StepRecord& step : run.steps) {
            std::string h = "<p><b>" + std::to_string(step.number) + " " + E(step.title) + "</b>";
            if (!step.started.empty()) {
                h += " (" + E(step.started.substr(step.started.find(' ') + 1)) + ")";
            }
            const std::string values = StepValuesText(step);
            if (!values.empty()) h += ": " + E(values);
            if (!step.message.empty()) h += ". <i>" + E(SpacedUnits(step.message)) + "</i>";
            blocks.push_back(TextBlock(h + "</p>\n"));
        }
    }
}

}  // namespace qs
