#include "cli/report_command.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

#include "report_pdf/report_command.h"

namespace qs::cli {

int RunReportCommand(const std::string& backup, const std::string& out, bool force, bool full,
                     bool json) {
    const ReportCommandResult result =
        qs::RunReportCommand(backup, out, force ? Overwrite::Yes : Overwrite::No,
                             full ? ReportDetail::Full : ReportDetail::Summary);
    const bool ok = result.status == 0;
    if (json) {
        QJsonObject document{{QStringLiteral("command"), QStringLiteral("report")},
                             {QStringLiteral("ok"), ok},
                             {QStringLiteral("output"), QString::fromStdString(out)}};
        document.insert(ok ? QStringLiteral("message") : QStringLiteral("error"),
                        QString::fromStdString(result.message));
        std::fputs(QJsonDocument(document).toJson(QJsonDocument::Indented).constData(), stdout);
        return result.status;
    }
    std::fprintf(ok ? stdout : stderr, "%s%s\n", ok ? "" : "qs71dr-cli: ",
                 result.message.c_str());
    return result.status;
}

}  // namespace qs::cli
