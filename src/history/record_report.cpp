#include "history/record_report.h"

#include "record/curves_file.h"

namespace qs {

AlignmentReport ReportFromRecord(const ConnectionRecord& record) {
    const ConnectionInfo& info = record.info;
    std::vector<std::pair<std::string, std::string>> connectValues;
    for (const ItemValue& item : record.items)
        connectValues.emplace_back(item.item, item.atConnect);
    AlignmentReport report = MakeAlignmentReport(
        {info.modelCode, info.subCode, info.identificationHex, info.startedLocal, info.backupCrc},
        connectValues, record.journal, record.curves);
    report.backupPath = info.backupPath;
    if (!info.backupPath.empty()) {
        report.journalPath = JournalPathFor(info.backupPath);
        const CurveLog& c = record.curves;
        const bool anyCurves =
            !c.readings.empty() || !c.sweeps.empty() || !c.bisections.empty() || !c.results.empty();
        if (anyCurves) report.curvesPath = CurvesPathFor(info.backupPath);
    }
    return report;
}

}  // namespace qs
