#include "history/history_lookup.h"

#include "history/history_source.h"
#include "history/records_file.h"
#include "history/records_query.h"

namespace qs {

HistoryAnswer SearchHistory(ISqlConnector& connector, const std::string& url,
                            const std::string& backupFolder, const HistoryFilter& filter,
                            CutSlot* cut) {
    HistoryAnswer answer;
    HistoryRecords records = OpenHistoryRecords(connector, url, backupFolder);
    if (cut != nullptr && records.db) cut->Hold(records.db->Cutter());
    answer.missing = records.missing;
    answer.error = records.error;
    if (!records.db) return answer;
    const SqlStatus status = FindConnections(*records.db, filter, answer.found);
    if (!status.ok()) answer.error = RecordsReadProblem(records.where, status);
    return answer;
}

HistoryAnswer LoadHistory(ISqlConnector& connector, const std::string& url,
                          const std::string& backupFolder, const std::vector<std::string>& ids,
                          CutSlot* cut) {
    HistoryAnswer answer;
    HistoryRecords records = OpenHistoryRecords(connector, url, backupFolder);
    if (cut != nullptr && records.db) cut->Hold(records.db->Cutter());
    answer.error = records.error;
    if (!records.db) {
        if (answer.error.empty()) answer.error = "The connection is no longer in the records.";
        return answer;
    }
    for (const std::string& id : ids) {
        ConnectionRecord record;
        bool found = false;
        const SqlStatus status = LoadConnection(*records.db, id, record, found);
        if (!status.ok()) {
            answer.error = RecordsReadProblem(records.where, status);
            return answer;
        }
        if (!found) {
            answer.error = "The connection " + id + " is no longer in the records.";
            return answer;
        }
        answer.records.push_back(std::move(record));
    }
    return answer;
}

}  // namespace qs
