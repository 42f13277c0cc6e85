#include "history/record_report.h"

#include "record/curves_file.h"
#include "record/run_record_file.h"

namespace qs {

AlignmentReport ReportFromRecord(const ConnectionRecord& record) {
    const ConnectionInfo& info = record.info;
    std::vector<std::pair<std::string, std::string>> connectValues;
    for (const ItemValue& item : record.items)
        connectValues.emplace_back(item.item, item.atConnect);
    // The same builder the files feed, from the same pieces: the record's runs are the runs
    // file's, whole.
    AlignmentReport report = MakeAlignmentReport(
        {info.modelCode, info.subCode, info.identificationHex, info.startedLocal, info.backupCrc},
        connectValues, record.journal, record.curves);
    report.runs = record.runs;
    report.backupPath = info.backupPath;
    if (!info.backupPath.empty()) {
        report.journalPath = JournalPathFor(info.backupPath);
        const CurveLog& c = record.curves;
        const bool anyCurves =
            !c.readings.empty() || !c.sweeps.empty() || !c.bisections.empty() || !c.results.empty();
        if (anyCurves) report.curvesPath = CurvesPathFor(info.backupPath);
        if (!record.runs.empty()) report.runsPath = RunsPathFor(info.backupPath);
    }
    return report;
}

}  // namespace qs
