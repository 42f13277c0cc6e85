#include "record/report_runs_html.h"

#include <cstdio>

#include "instruments/calibration.h"
#include "instruments/instrument_identity.h"
#include "record/report_charts_svg.h"
#include "record/step_summary.h"
#include "record/run_summary.h"
#include "record/verdict_style.h"
#include "record/verdict_words.h"

namespace qs {
namespace {

// Cells whose text must stay on one line: numbers, limits, names, times.
constexpr const char* kWhole = "<td style=\"white-space:nowrap;font-size:8pt\">";
constexpr const char* kTable = "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n";

std::string E(const std::string& text) {
    return XmlEscaped(text);
}

std::string Whole(const std::string& html) {
    return kWhole + html + "</td>";
}

std::string Head(const char* title) {
    return std::string("<th align=\"left\" style=\"white-space:nowrap\">") + title + "</th>";
}

// The head of a column whose words may wrap.
std::string WrapHead(const char* title) {
    return std::string("<th align=\"left\">") + title + "</th>";
}

std::string Words(const std::string& html) {
    return "<td style=\"font-size:8pt\">" + html + "</td>";
}

// Titles up to this many characters stay on one line, so that a reader finds a step by its
// name; a longer one (a prompt's text without a name) wraps between its words.
constexpr std::size_t kWholeTitleChars = 48;

std::string TitleCell(const std::string& title) {
    return title.size() <= kWholeTitleChars ? Whole(E(title)) : Words(E(title));
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
std::string FactsHtml(const std::vector<std::pair<std::string, std::string>>& facts) {
    std::string h = "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\">\n";
    for (std::size_t i = 0; i < facts.size(); i += 2) {
        h += "<tr>" + Head(facts[i].first.c_str()) + Words(E(facts[i].second));
        if (i + 1 < facts.size()) {
            h += Head(facts[i + 1].first.c_str()) + Words(E(facts[i + 1].second));
        } else {
            h += "<td></td><td></td>";
        }
        h += "</tr>\n";
    }
    return h + "</table>\n";
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

std::string InstrumentsHtml(const RunRecord& run) {
    if (run.instruments.empty()) return "<p>No bench instrument was used.</p>\n";
    std::string h = "<h3>Instruments</h3>\n";
    h += kTable;
    h += "<tr>" + Head("Role") + Head("Maker") + Head("Model") + Head("Serial number") +
         Head("Firmware") + Head("Address") + Head("Calibration due") + "</tr>\n";
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
        h += "<tr>" + Whole(E(BenchRoleTitle(i.role))) + Whole(E(id.maker)) + Whole(E(id.model)) +
             Whole(E(id.serialNumber)) + Whole(E(id.firmware)) + Whole("<tt>" + E(i.address) + "</tt>") +
             Whole(due) + "</tr>\n";
    }
    h += "</table>\n";
    for (const std::string& role : overdue) {
        h += "<p>" +
             Coloured("Warning: the " + role + "'s calibration had run out when the run was made.",
                      VerdictColour(RunVerdict::Fail)) +
             "</p>\n";
    }
    return h;
}

// One line per step: what a reader scans for.
std::string StepsHtml(const RunRecord& run) {
    std::string h = "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" width=\"100%\">\n";
    h += "<tr>" + Head("#") + WrapHead("Step") + Head("Outcome") + Head("Measured") +
         Head("Limits") + WrapHead("What it did") + Head("Time") + "</tr>\n";
    for (const StepRecord& step : run.steps) {
        const bool passed = step.outcome == StepOutcome::Pass;
        std::string what = passed ? StepSummary(step) : step.message;
        if (what.empty()) what = step.message;
        const char* rowTint = OutcomeRowTint(step.outcome);
        const std::string tint =
            rowTint ? std::string(" bgcolor=\"") + rowTint + "\"" : std::string();
        h += "<tr" + tint + ">" + Whole(std::to_string(step.number)) +
             TitleCell(step.title) +
             Whole(Coloured(StepOutcomeLabel(step.outcome), OutcomeColour(step.outcome))) +
             Whole(step.measured ? E(step.measured->text) : "") +
             Whole(step.limits ? E(step.limits->text) : "") + "<td>" + E(what) + "</td>" +
             Whole(step.startMs < 0 ? "" : E(DurationText(step.durationMs))) + "</tr>\n";
    }
    return h + "</table>\n";
}

std::string RunFactsHtml(const RunRecord& run) {
    std::vector<std::pair<std::string, std::string>> facts{
        {"Procedure", RunTitle(run)},
        {"Procedure file", run.procedureFile},
        {"File checksum (CRC-32)", run.procedureChecksum.empty() ? "-" : run.procedureChecksum},
        {"Steps", StepCountsText(run)},
        {"Started", run.started},
        {"Ended", run.ended.empty() ? "-" : run.ended},
        {"Duration", DurationText(run.durationMs)},
        {"Technician", run.technician},
    };
    std::string h = FactsHtml(facts);
    // The same words as beside the run window's verdict: every step that did not pass.
    const std::string why = VerdictReason(run);
    if (!why.empty()) {
        h += "<p><b>" + Coloured(VerdictWord(run.verdict), VerdictColour(run.verdict)) + ":</b> " +
             E(why) + "</p>\n";
    }
    for (const std::string& note : run.notes) h += "<p>" + E(note) + "</p>\n";
    return h;
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

std::string ReportSummaryHtml(const AlignmentReport& r) {
    const std::optional<RunVerdict> verdict = ConnectionVerdict(r.runs);
    const RunRecord* last = r.runs.empty() ? nullptr : &r.runs.back();
    std::string line = "No procedure was run in this connection.";
    if (last != nullptr) {
        line = "Last run: " + RunTitle(*last) + ", " + StepCountsText(*last) + ".";
        if (r.runs.size() > 1) {
            line += " " + std::to_string(r.runs.size() - 1) +
                    (r.runs.size() == 2 ? " earlier run follows." : " earlier runs follow.");
        }
    }
    std::string h = BannerHtml(verdict, last, line);
    h += "<h2>Radio</h2>\n";
    h += FactsHtml({
        {"Radio", "QT-71DR"},
        {"Serial number", last ? last->serialNumber : std::string("-")},
        {"Model code", r.modelCode},
        {"Sub code", r.subCode},
        {"Work order", last ? last->workOrder : std::string("-")},
        {"Bench", last ? last->bench : std::string("-")},
        {"Read at Connect", r.dateTime},
        {"Backup CRC-32", r.backupCrc},
    });
    if (last == nullptr) return h;
    h += "<h2>Run " + std::to_string(r.runs.size()) + " of " + std::to_string(r.runs.size()) +
         (r.runs.size() > 1 ? " (the last)" : "") + ": " +
         Coloured(VerdictWord(last->verdict), VerdictColour(last->verdict)) + "</h2>\n";
    h += RunFactsHtml(*last);
    h += InstrumentsHtml(*last);
    // The steps start a page of their own: the first page is the summary.
    h += "<h2 style=\"page-break-before:always\">Steps of run " + std::to_string(r.runs.size()) +
         "</h2>\n" + StepsHtml(*last);
    return h;
}

std::string EarlierRunsHtml(const std::vector<RunRecord>& runs) {
    std::string h;
    for (std::size_t i = 0; i + 1 < runs.size(); ++i) {
        const RunRecord& run = runs[i];
        h += "<h2>Run " + std::to_string(i + 1) + " of " + std::to_string(runs.size()) + ": " +
             Coloured(VerdictWord(run.verdict), VerdictColour(run.verdict)) + "</h2>\n";
        h += RunFactsHtml(run);
        h += StepsHtml(run);
    }
    return h;
}

std::string StepDetailsHtml(const std::vector<RunRecord>& runs) {
    std::string h;
    for (std::size_t i = runs.size(); i-- > 0;) {
        const RunRecord& run = runs[i];
        h += "<h3>Run " + std::to_string(i + 1) + " of " + std::to_string(runs.size()) +
             ": every setting and reading</h3>\n";
        // A paragraph a step: the values flow over the whole width of the page.
        for (const StepRecord& step : run.steps) {
            h += "<p style=\"margin-top:0;margin-bottom:2px\"><b>" + std::to_string(step.number) +
                 " " + E(step.title) + "</b>";
            if (!step.started.empty()) h += " (" + E(step.started.substr(step.started.find(' ') + 1)) + ")";
            const std::string values = StepValuesText(step);
            if (!values.empty()) h += ": " + E(values);
            if (!step.message.empty()) h += ". <i>" + E(step.message) + "</i>";
            h += "</p>\n";
        }
    }
    return h;
}

}  // namespace qs
