#include "record/run_record_text.h"

#include "record/report_runs_html.h"
#include "model/reading_text.h"
#include "record/run_summary.h"
#include "record/step_summary.h"
#include "record/verdict_words.h"

namespace qs {
namespace {

std::string Fact(const std::string& label, const std::string& value) {
    return label + ": " + (value.empty() ? "-" : value) + "\n";
}

}  // namespace

std::string RunRecordText(const RunRecord& run) {
    std::string title = run.procedureTitle.empty() ? run.procedureFile : run.procedureTitle;
    if (!run.procedureRevision.empty()) title += " (revision " + run.procedureRevision + ")";
    std::string t = "Verdict: " + VerdictWithCalibration(VerdictWord(run.verdict), run) + "\n";
    t += Fact("Procedure", title);
    t += Fact("Technician", run.technician);
    t += Fact("Serial number", run.serialNumber);
    t += Fact("Work order", run.workOrder);
    t += Fact("Radio", "QT-71DR, model code " + run.modelCode + ", sub code " + run.subCode);
    t += Fact("Bench", run.bench);
    t += Fact("Started", run.started);
    t += Fact("Duration", DurationText(run.durationMs));
    t += "Steps: " + CountsText(CountOutcomes(run.steps)) + "\n";
    if (!run.endReason.empty()) t += Fact("Ended early", run.endReason);
    for (const std::string& note : run.notes) t += note + "\n";
    if (!run.radioHolds.empty()) t += run.radioHolds + "\n";
    t += "\n";
    for (const StepRecord& step : run.steps) {
        t += std::to_string(step.number) + ". " + StepOutcomeLabel(step.outcome) + "  " +
             step.title;
        if (step.measured) t += "  measured " + SpacedUnits(step.measured->text);
        if (step.limits) t += "  limits " + step.limits->text;
        if (step.startMs >= 0) t += "  (" + DurationText(step.durationMs) + ")";
        t += "\n";
        const std::string values = StepValuesText(step);
        if (!values.empty()) t += "     " + values + "\n";
        // In the words of the run window and the report.
        const std::string what =
            step.startMs >= 0 ? StepWhatItDid(step) : SpacedUnits(step.message);
        if (!what.empty()) t += "     " + what + "\n";
    }
    return t;
}

}  // namespace qs
