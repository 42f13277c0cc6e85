// A connection's verdict in every output, as one table of connections: no run, one run of
// each end, several runs. The verdict is the last run's, upper case, the same in the records'
// history row (read while the connection is still open), in the report made from the records
// (its first page, read back by pdftotext), in the terminal's text and in the JSON of the runs
// (a golden document); a stop is never written as a failure.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <fstream>
#include <sstream>

#include "history/connection_uid.h"
#include "history/history_view.h"
#include "history/record_report.h"
#include "history/records_file.h"
#include "history/records_query.h"
#include "history/records_writer.h"
#include "qtsql/qt_sql_connector.h"
#include "record/run_record_file.h"
#include "record/run_record_text.h"
#include "record/verdict_words.h"
#include "report_pdf/report_pdf.h"
#include "safety/wall_clock.h"

namespace qs::verdict_test {

// Qt SQL finds its drivers through the application object, and the PDF writer needs Qt's
// graphical part: one offscreen application for the table.
void EnsureApplication() {
    static int argc = 1;
    static char name[] = "verdict_outputs_test";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() != nullptr) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(argc, argv);
}

// A run of three steps whose second step ends as `end` says; the third is then not reached
// unless the run passed.
RunRecord MakeRun(RunVerdict end, int number) {
    RunRecord run;
    run.procedureTitle = "Transmitter check";
    run.procedureRevision = "B";
    run.procedureFile = "/shop/tx-check.toml";
    run.procedureChecksum = "1A2B3C4D";
    run.technician = "A. Technician";
    run.serialNumber = "SN 0042";
    run.workOrder = "WO-7";
    run.bench = "bench-1";
    run.modelCode = "3017";
    run.subCode = "0102";
    run.started = "2026-12-07 10:0" + std::to_string(number) + ":00";
    run.ended = "2026-12-07 10:0" + std::to_string(number) + ":30";
    run.durationMs = 30000;
    run.verdict = end;
    run.instruments = {{"power_meter", "TCPIP::127.0.0.1::5025::SOCKET",
                        "Bench Works,PM-1,0042,1.2", "2026-12-01"}};
    StepRecord supply;
    supply.number = 1;
    supply.title = "Supply voltage";
    supply.kind = "check";
    supply.outcome = StepOutcome::Pass;
    supply.measured = SeenValue{"VIN", "7.49V", 7.49, "V"};
    supply.limits = StepLimits{7.0, 8.0, "V", "7 to 8 V"};
    supply.values = {*supply.measured};
    supply.started = run.started;
    supply.startMs = 0;
    supply.durationMs = 1200;
    StepRecord power;
    power.number = 2;
    power.title = "High power";
    power.kind = "adjust";
    power.values = {{"Power(Hi)", "200", 200.0, ""},
                    {"power", "5.21 W", 5.21, "W"},
                    {"Power(Hi)", "212", 212.0, ""},
                    {"power", "5.53 W", 5.53, "W"}};
    power.limits = StepLimits{5.4, 5.6, "W", "5.5 W \u00b1 0.1 W"};
    power.startMs = 1200;
    power.durationMs = 8000;
    StepRecord modulation;
    modulation.number = 3;
    modulation.title = "Modulation";
    modulation.kind = "measure";
    switch (end) {
        case RunVerdict::Pass:
            power.outcome = StepOutcome::Pass;
            power.measured = power.values.back();
            modulation.outcome = StepOutcome::Pass;
            modulation.measured = SeenValue{"deviation", "2910 Hz", 2910.0, "Hz"};
            modulation.startMs = 9200;
            break;
        case RunVerdict::Fail:
            power.outcome = StepOutcome::Fail;
            power.message = "5.21 W is below 5.4 W";
            run.endReason = "step 2 failed";
            break;
        case RunVerdict::Error:
            power.outcome = StepOutcome::Error;
            power.message = "the power meter did not answer";
            run.endReason = "step 2 could not be judged";
            break;
        case RunVerdict::Aborted:
            power.outcome = StepOutcome::Aborted;
            power.message = "stopped by the technician";
            run.endReason = "stopped by the technician at step 2";
            break;
    }
    if (end != RunVerdict::Pass) modulation.message = "not run";
    run.steps = {supply, power, modulation};
    return run;
}

std::string PdfText(const std::string& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), QString::fromStdString(pdf), QStringLiteral("-")});
    if (!process.waitForFinished(60000)) return {};
    return process.readAllStandardOutput().toStdString();
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(VerdictOutputs, TheLastRunDecidesTheSameInEveryOutput) {
    EnsureApplication();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string dir = folder.path().toStdString();
    using V = RunVerdict;
    const struct {
        const char* name;
        std::vector<RunVerdict> runs;
        const char* verdict;
    } rows[] = {
        {"no procedure", {}, "no procedure"},
        {"pass", {V::Pass}, "PASS"},
        {"fail", {V::Fail}, "FAIL"},
        {"error", {V::Error}, "ERROR"},
        {"stopped", {V::Aborted}, "ABORTED"},
        {"stopped, failed, then passed", {V::Aborted, V::Fail, V::Pass}, "PASS"},
        {"passed, then stopped", {V::Pass, V::Aborted}, "ABORTED"},
    };

    QtSqlConnector connector;
    SystemRandomSource random;
    SystemWallClock clock;
    const std::string recordsPath = dir + "/records.sqlite";
    std::string json;
    for (const auto& row : rows) {
        std::vector<RunRecord> runs;
        for (V end : row.runs) runs.push_back(MakeRun(end, static_cast<int>(runs.size()) + 1));
        EXPECT_EQ(ConnectionVerdictText(ConnectionVerdict(runs)), row.verdict) << row.name;

        // The records, read while the connection is still open.
        std::string uid;
        {
            RecordsWriter writer(connector, recordsPath, random, clock);
            ConnectionInfo info;
            info.startedLocal = "2026-12-07 10:00:00";
            info.modelCode = "3017";
            info.subCode = "0102";
            uid = writer.BeginConnection(info, {});
            for (const RunRecord& run : runs) writer.AddRun(run);
            writer.Flush();
            RecordsToRead reading;
            auto db = OpenLocalRecordsToRead(connector, recordsPath, reading);
            ASSERT_TRUE(db) << reading.message;
            ConnectionRecord record;
            bool found = false;
            ASSERT_TRUE(LoadConnection(*db, uid, record, found).ok());
            ASSERT_TRUE(found) << row.name;
            EXPECT_EQ(record.info.state, ConnectionState::Open) << row.name;
            EXPECT_EQ(HistoryRowOf(record.info).verdict, row.verdict) << row.name;
            EXPECT_EQ(record.runs, runs) << row.name;

            // The report from the records: the banner on its first page.
            const std::string pdf = dir + "/" + uid + ".pdf";
            std::string error;
            ASSERT_TRUE(WriteReportPdf(ReportFromRecord(record), pdf, error)) << error;
            const std::string text = PdfText(pdf);
            const std::string firstPage = text.substr(0, text.find('\f'));
            const std::string banner = firstPage.substr(firstPage.find("report") + 6, 200);
            EXPECT_EQ(banner.find_first_not_of(" \n"), banner.find(row.verdict))
                << row.name << ": " << banner;
            const bool anyFail = std::count(row.runs.begin(), row.runs.end(), V::Fail) > 0;
            EXPECT_EQ(text.find("FAIL") != std::string::npos, anyFail)
                << row.name << ": a stop is never a failure";
            // The power meter's calibration ran out before the runs' day.
            EXPECT_EQ(firstPage.find("calibration had run out") != std::string::npos,
                      !runs.empty())
                << row.name;
        }
        // The terminal's text of the last run.
        if (!runs.empty()) {
            EXPECT_EQ(RunRecordText(runs.back()).rfind(std::string("Verdict: ") + row.verdict, 0), 0u)
                << row.name;
        }
        json += std::string("// ") + row.name + ": " + row.verdict + "\n";
        if (!runs.empty()) json += RunRecordJson(runs.back());
    }
    const std::string goldenPath = QS_GOLDEN_DIR "/verdict_runs.json";
    // QS_UPDATE_GOLDEN=1 writes the document anew, for a change meant to alter it.
    if (qEnvironmentVariableIsSet("QS_UPDATE_GOLDEN")) std::ofstream(goldenPath) << json;
    EXPECT_EQ(json, ReadText(goldenPath));
}

}  // namespace qs::verdict_test
