#include "record/report_runs_html.h"

#include <cstdio>

#include "record/report_charts_svg.h"

namespace qs {
namespace {

constexpr const char* kPassColour = "#1b7f2a";
constexpr const char* kFailColour = "#b3261e";

std::string E(const std::string& text) {
    return XmlEscaped(text);
}

std::string Cell(const std::string& html, const char* tag = "td") {
    return std::string("<") + tag + ">" + html + "</" + tag + ">";
}

std::string FactRow(const std::string& label, const std::string& value) {
    return "<tr><th align=\"left\">" + E(label) + "</th><td>" + E(value) + "</td></tr>\n";
}

std::string OutcomeCell(StepOutcome outcome) {
    const char* colour = outcome == StepOutcome::Pass   ? kPassColour
                         : outcome == StepOutcome::Skipped ? "#666666"
                                                           : kFailColour;
    std::string word = OutcomeWord(outcome);
    for (char& c : word) c = static_cast<char>(c - 'a' + 'A');
    return std::string("<td><font color=\"") + colour + "\"><b>" + word + "</b></font></td>";
}

std::string RunHtml(const RunRecord& run) {
    std::string title = run.procedureTitle.empty() ? run.procedureFile : run.procedureTitle;
    if (!run.procedureRevision.empty()) title += " (revision " + run.procedureRevision + ")";
    const bool pass = run.verdict == RunVerdict::Pass;
    std::string h = "<h2>Procedure: " + E(title) + "</h2>\n";
    h += std::string("<p><font size=\"6\" color=\"") + (pass ? kPassColour : kFailColour) +
         "\"><b>" + VerdictWord(run.verdict) + "</b></font></p>\n";
    h += "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n";
    h += FactRow("Technician", run.technician);
    h += FactRow("Serial number", run.serialNumber);
    h += FactRow("Work order", run.workOrder);
    h += FactRow("Radio", "model " + run.modelCode + ", sub code " + run.subCode);
    h += FactRow("Started", run.started);
    h += FactRow("Ended", run.ended + (run.ended.empty() ? "" : " (" + DurationText(run.durationMs) + ")"));
    h += FactRow("Procedure file", run.procedureFile);
    if (!run.endReason.empty()) h += FactRow("Ended early", run.endReason);
    h += "</table>\n";
    for (const std::string& note : run.notes) h += "<p>" + E(note) + "</p>\n";

    h += "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n<tr>" + Cell("#", "th") +
         Cell("Step", "th") + Cell("Outcome", "th") + Cell("Measured", "th") +
         Cell("Limits", "th") + Cell("Values", "th") + Cell("Time", "th") + "</tr>\n";
    for (const StepRecord& step : run.steps) {
        std::string what = E(step.title);
        if (!step.message.empty()) what += "<br><i>" + E(step.message) + "</i>";
        h += "<tr>" + Cell(std::to_string(step.number)) + Cell(what) + OutcomeCell(step.outcome) +
             Cell(step.measured ? E(step.measured->text) : "") +
             Cell(step.limits ? E(step.limits->text) : "") + Cell(E(StepValuesText(step))) +
             Cell(step.startMs < 0 ? "" : E(DurationText(step.durationMs))) + "</tr>\n";
    }
    h += "</table>\n";
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

std::string RunSectionsHtml(const std::vector<RunRecord>& runs) {
    std::string h;
    for (const RunRecord& run : runs) h += RunHtml(run);
    return h;
}

}  // namespace qs
