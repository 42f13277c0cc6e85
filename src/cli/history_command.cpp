#include "cli/history_command.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "history/backup_import.h"
#include "history/history_source.h"
#include "history/record_report.h"
#include "history/records_file.h"
#include "history/records_query.h"
#include "history/records_store.h"
#include "program/exit_status.h"
#include "qtsql/qt_sql_connector.h"
#include "report_pdf/report_command.h"
#include "report_pdf/report_file.h"
#include "safety/data_folder.h"

namespace qs::cli {

namespace {

constexpr const char* kProgramName = "qs71dr-cli";

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

void PrintJson(const QJsonObject& json) {
    std::fputs(QJsonDocument(json).toJson(QJsonDocument::Indented).constData(), stdout);
}

int Failed(const std::string& error, bool json, int status = kExitFailure) {
    if (json) {
        PrintJson({{QStringLiteral("command"), QStringLiteral("history")},
                   {QStringLiteral("ok"), false},
                   {QStringLiteral("error"), Q(error)}});
    }
    std::fprintf(stderr, "%s: %s\n", kProgramName, error.c_str());
    return status;
}

// The table on the terminal: the columns as wide as their widest cell, "-" for an empty one.
void PrintTable(const std::vector<HistoryRow>& rows) {
    std::vector<std::string> titles{"ID"};
    for (int c = 0; c < static_cast<int>(HistoryColumn::Count); ++c)
        titles.push_back(HistoryColumnTitle(static_cast<HistoryColumn>(c)));
    std::vector<std::vector<std::string>> lines{titles};
    for (const HistoryRow& row : rows) {
        std::vector<std::string> cells{row.id};
        for (int c = 0; c < static_cast<int>(HistoryColumn::Count); ++c) {
            const std::string& cell = HistoryCell(row, static_cast<HistoryColumn>(c));
            cells.push_back(cell.empty() ? "-" : cell);
        }
        lines.push_back(std::move(cells));
    }
    std::vector<std::size_t> widths(titles.size(), 0);
    for (const auto& line : lines)
        for (std::size_t c = 0; c < line.size(); ++c)
            widths[c] = std::max(widths[c], line[c].size());
    for (const auto& line : lines) {
        std::string text;
        for (std::size_t c = 0; c < line.size(); ++c) {
            text += line[c];
            if (c + 1 < line.size()) text += std::string(widths[c] - line[c].size() + 2, ' ');
        }
        std::printf("%s\n", text.c_str());
    }
    if (rows.empty()) std::printf("(no recorded connection matches)\n");
}

int List(HistoryRecords& records, const CommandArgs& args, bool json) {
    HistoryFilter filter;
    std::string error;
    if (!HistoryFilterFromText(HistoryFilterOf(args), filter, error)) {
        return Failed("history: " + error, json, kExitUsage);
    }
    std::vector<ConnectionInfo> found;
    if (records.missing) {
        // Nothing was recorded yet: an empty list, said why on standard error.
        std::fprintf(stderr, "%s: No service records have been kept on this bench yet (%s).\n",
                     kProgramName, records.where.c_str());
    } else {
        const SqlStatus status = FindConnections(*records.db, filter, found);
        if (!status.ok()) return Failed(RecordsReadProblem(records.where, status), json);
    }
    const std::vector<HistoryRow> rows = HistoryRowsOf(found);
    if (!json) {
        PrintTable(rows);
        return kExitOk;
    }
    QJsonArray connections;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const HistoryRow& row = rows[i];
        const ConnectionInfo& info = found[i];
        connections.append(QJsonObject{
            {QStringLiteral("id"), Q(row.id)},
            {QStringLiteral("date"), Q(row.date)},
            {QStringLiteral("startedAt"), static_cast<qint64>(info.startedAt)},
            {QStringLiteral("serialNumber"), Q(row.serialNumber)},
            {QStringLiteral("workOrder"), Q(row.workOrder)},
            {QStringLiteral("technician"), Q(row.technician)},
            {QStringLiteral("verdict"), Q(row.verdict)},
            {QStringLiteral("bench"), Q(row.bench)},
            {QStringLiteral("modelCode"), Q(info.modelCode)},
            {QStringLiteral("subCode"), Q(info.subCode)},
            {QStringLiteral("state"), QString::fromLatin1(StateWord(info.state))},
            {QStringLiteral("backupPath"), Q(info.backupPath)},
        });
    }
    PrintJson({{QStringLiteral("command"), QStringLiteral("history")},
               {QStringLiteral("ok"), true},
               {QStringLiteral("connections"), connections}});
    return kExitOk;
}

int Report(HistoryRecords& records, const CommandArgs& args, bool json) {
    const ReportCommandResult result = RunReportCommand(
        [&](AlignmentReport& report, std::string& error) {
            ConnectionRecord record;
            bool found = false;
            const SqlStatus status =
                records.db ? LoadConnection(*records.db, args.historyId, record, found)
                           : SqlStatus{};
            if (!status.ok()) {
                error = RecordsReadProblem(records.where, status);
                return false;
            }
            if (!found) {
                error = "No recorded connection has the ID " + args.historyId +
                        " (qs71dr-cli history lists them).";
                return false;
            }
            report = ReportFromRecord(record);
            return true;
        },
        args.historyOut, args.reportForce ? Overwrite::Yes : Overwrite::No,
        args.reportFull ? ReportDetail::Full : ReportDetail::Summary);
    if (result.status != kExitOk) return Failed(result.message, json, result.status);
    if (json) {
        PrintJson({{QStringLiteral("command"), QStringLiteral("history")},
                   {QStringLiteral("ok"), true},
                   {QStringLiteral("output"), Q(args.historyOut)},
                   {QStringLiteral("message"), Q(result.message)}});
    } else {
        std::printf("%s\n", result.message.c_str());
    }
    return kExitOk;
}

int Import(QtSqlConnector& connector, const IWallClock& clock, const CommandArgs& args,
           const std::string& bench, bool json) {
    std::error_code ec;
    if (!std::filesystem::is_directory(args.historyFolder, ec)) {
        return Failed("history import: " + args.historyFolder + " is no folder", json);
    }
    // Into this bench's own file; a program with a shop's server sends it on from there.
    LocalRecordsOpening opening;
    std::unique_ptr<ISqlConnection> db =
        OpenLocalRecords(connector, RecordsPathFor(DefaultBackupFolder()), clock, opening,
                         LocalRecordsUse::Importing);
    if (!db) return Failed(opening.message, json);
    if (opening.outcome == LocalRecordsOpening::Outcome::Recreated) {
        std::fprintf(stderr, "%s: %s\n", kProgramName, opening.message.c_str());
    }
    RecordsStore store(*db);
    const ImportResult result = ImportBackupFolder(store, args.historyFolder, bench);
    if (!result.status.ok()) return Failed("The import stopped: " + result.status.message, json);
    // Said once, as the import of a connection is: an import again finds it recorded.
    for (const std::string& notice : result.interrupted) {
        std::string lines;
        for (const char c : notice)
            if (c != '\r') lines += c;
        std::fprintf(stderr, "%s: %s\n", kProgramName, lines.c_str());
    }
    if (json) {
        QJsonArray skipped;
        for (const ImportProblem& problem : result.skipped) {
            skipped.append(QJsonObject{{QStringLiteral("path"), Q(problem.path)},
                                       {QStringLiteral("reason"), Q(problem.reason)}});
        }
        QJsonArray notes;
        for (const std::string& note : result.notes)
            notes.append(Q(note));
        PrintJson({{QStringLiteral("command"), QStringLiteral("history")},
                   {QStringLiteral("ok"), true},
                   {QStringLiteral("imported"), result.imported},
                   {QStringLiteral("alreadyThere"), result.alreadyThere},
                   {QStringLiteral("skipped"), skipped},
                   {QStringLiteral("notes"), notes}});
        return kExitOk;
    }
    std::printf("Imported %d connection%s from %s; %d %s recorded already.\n", result.imported,
                result.imported == 1 ? "" : "s", args.historyFolder.c_str(), result.alreadyThere,
                result.alreadyThere == 1 ? "was" : "were");
    for (const ImportProblem& problem : result.skipped)
        std::printf("Skipped %s: %s\n", problem.path.c_str(), problem.reason.c_str());
    for (const std::string& note : result.notes)
        std::printf("Taken in with a note: %s\n", note.c_str());
    return kExitOk;
}

}  // namespace

int RunHistoryCommand(int argc, char** argv, const CommandArgs& args, const std::string& url,
                      const std::string& benchName, bool json) {
    // The PDF writer needs Qt's graphical part, offscreen so that no display is needed.
    std::unique_ptr<QCoreApplication> app;
    if (args.history == HistoryAction::Report &&
        ReportFormFor(args.historyOut) == ReportForm::Pdf) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QString::fromLatin1(kProgramName));
    QtSqlConnector connector;
    SystemWallClock clock;
    if (args.history == HistoryAction::Import) {
        const std::string bench =
            benchName.empty() ? QSysInfo::machineHostName().toStdString() : benchName;
        return Import(connector, clock, args, bench, json);
    }
    if (args.history == HistoryAction::Report &&
        ReportFormFor(args.historyOut) == ReportForm::Unknown) {
        return Failed("The report's file name must end in .pdf or .html: " + args.historyOut, json,
                      kExitUsage);
    }
    HistoryRecords records = OpenHistoryRecords(connector, url, DefaultBackupFolder());
    if (!records.error.empty()) return Failed(records.error, json);
    return args.history == HistoryAction::Report ? Report(records, args, json)
                                                 : List(records, args, json);
}

}  // namespace qs::cli
