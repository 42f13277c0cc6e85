// A run summed up beside its verdict: one table of runs, each with the words a technician
// reads under the banner and the counts.
#include <gtest/gtest.h>

#include "record/alignment_report.h"
#include "record/report_runs_html.h"
#include "record/report_html.h"
#include "record/run_summary.h"

namespace qs {
namespace {

using SO = StepOutcome;

RunRecord RunEndingIn(RunVerdict verdict, std::string endReason, std::vector<StepOutcome> outcomes) {
    RunRecord run;
    run.verdict = verdict;
    run.endReason = std::move(endReason);
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        StepRecord step;
        step.number = static_cast<int>(i) + 1;
        step.outcome = outcomes[i];
        run.steps.push_back(step);
    }
    return run;
}

TEST(RunSummaryTest, TheReasonNamesEveryStepThatDidNotPass) {
    const struct {
        RunRecord run;
        const char* reason;
        const char* counts;
    } cases[] = {
        {RunEndingIn(RunVerdict::Pass, "", {SO::Pass, SO::Pass}), "", "all 2 steps passed"},
        {RunEndingIn(RunVerdict::Fail, "step 3 failed", {SO::Fail, SO::Fail, SO::Fail, SO::Skipped}),
         "steps 1, 2 and 3 failed", "0 passed, 3 failed, 1 not run"},
        {RunEndingIn(RunVerdict::Fail, "", {SO::Pass, SO::Fail, SO::Pass}), "step 2 failed",
         "2 passed, 1 failed"},
        {RunEndingIn(RunVerdict::Error, "step 2 could not be judged", {SO::Fail, SO::Error, SO::Skipped}),
         "step 1 failed; step 2 could not be judged", "0 passed, 1 failed, 1 error, 1 not run"},
        // A stop is never a failure: its reason leads, a failure before it follows.
        {RunEndingIn(RunVerdict::Aborted, "stopped by the technician at step 2",
             {SO::Fail, SO::Aborted, SO::Skipped}),
         "stopped by the technician at step 2; step 1 failed",
         "0 passed, 1 failed, 1 aborted, 1 not run"},
        {RunEndingIn(RunVerdict::Aborted, "stopped by a signal before the radio was connected",
             {SO::Skipped}),
         "stopped by a signal before the radio was connected", "0 passed, 1 not run"},
        {RunEndingIn(RunVerdict::Error, "the radio link failed: Cannot access COM 1.", {SO::Pass, SO::Error}),
         "the radio link failed: Cannot access COM 1.; step 2 could not be judged",
         "1 passed, 1 error"},
        {RunEndingIn(RunVerdict::Error, "", {SO::Error, SO::Error, SO::Pass}),
         "steps 1 and 2 could not be judged", "1 passed, 2 errors"},
        // A reason that only looks like a step's is the run's own.
        {RunEndingIn(RunVerdict::Error, "steps file missing", {}), "steps file missing",
         "no steps"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VerdictReason(c.run), c.reason) << c.run.endReason;
        EXPECT_EQ(CountsText(CountOutcomes(c.run.steps)), c.counts) << c.run.endReason;
    }
}

TEST(RunSummaryTest, NumbersAreListedAsASentence) {
    EXPECT_EQ(NumberList({}), "");
    EXPECT_EQ(NumberList({4}), "4");
    EXPECT_EQ(NumberList({1, 2}), "1 and 2");
    EXPECT_EQ(NumberList({1, 2, 3, 7}), "1, 2, 3 and 7");
}

// Beside the verdict, each instrument the run used that was not current on the run's own
// day, grouped by what was wrong, the gravest first.
TEST(RunSummaryTest, TheVerdictCarriesTheCalibrationThatWasNotCurrent) {
    const struct {
        std::vector<RunInstrument> instruments;
        const char* banner;
    } cases[] = {
        {{}, "PASS"},
        {{{"generator", "", "", "2026-12-07"}}, "PASS"},
        {{{"generator", "", "", "2026-12-06"}}, "PASS \u2014 generator calibration overdue"},
        {{{"generator", "", "", "2026-06-30"}, {"power_meter", "", "", ""},
          {"frequency_counter", "", "", ""}},
         "PASS \u2014 generator calibration overdue; power meter and frequency counter "
         "calibration date not given"},
        {{{"modulation_meter", "", "", "2027-02-30"}, {"generator", "", "", "2026-12-06"}},
         "PASS \u2014 generator calibration overdue; modulation meter calibration date "
         "unreadable"},
    };
    for (const auto& c : cases) {
        RunRecord run = RunEndingIn(RunVerdict::Pass, "", {SO::Pass});
        run.started = "2026-12-07 10:46:02";
        run.instruments = c.instruments;
        EXPECT_EQ(VerdictWithCalibration("PASS", run), c.banner);
    }
}

// The report's summary says a date the bench settings hold but nobody can read as such, never
// as "not given", and carries the note beside the verdict.
TEST(RunSummaryTest, TheReportSaysAnUnreadableDateIsUnreadable) {
    AlignmentReport report;
    RunRecord run = RunEndingIn(RunVerdict::Pass, "", {SO::Pass});
    run.started = "2026-12-07 10:46:02";
    run.instruments = {{"generator", "TCPIP::10.0.0.5::5025::SOCKET", "", "1.3.2027"}};
    report.runs = {run};
    const std::string html = AlignmentReportHtml(report);
    EXPECT_NE(html.find("PASS \u2014 generator calibration date unreadable"), std::string::npos);
    EXPECT_NE(html.find("unreadable: "), std::string::npos);
    EXPECT_NE(html.find("1.3.2027"), std::string::npos);
    EXPECT_EQ(html.find("not given"), std::string::npos);
}

}  // namespace
}  // namespace qs
