#include "history/history_source.h"

#include "history/records_file.h"
#include "history/records_schema.h"
#include "history/records_settings.h"
#include "history/records_url.h"

namespace qs {

HistoryRecords OpenHistoryRecords(ISqlConnector& connector, const std::string& url,
                                  const std::string& backupFolder) {
    HistoryRecords records;
    RecordsPlace place;
    if (!RecordsPlaceFrom(url, place, records.error)) return records;
    if (place.kind == RecordsPlace::Kind::Server) {
        records.where = "The shared records at " + RecordsTargetText(place.server);
        SqlTarget target = place.server;
        target.access = SqlAccess::ReadOnly;
        SqlStatus status;
        std::unique_ptr<ISqlConnection> db = connector.Open(target, status);
        int version = 0;
        if (db) status = ReadRecordsVersion(*db, version);
        if (!db || !status.ok()) {
            records.error = records.where + " cannot be read: " + status.message;
            return records;
        }
        if (version < kOldestReadableRecordsVersion) {
            records.error =
                records.where + (version == 0 ? " hold no service records yet."
                                              : " have version " + std::to_string(version) +
                                                    ", too old to be searched; the "
                                                    "next program that sends "
                                                    "records brings them up to date.");
            return records;
        }
        records.db = std::move(db);
        return records;
    }
    const std::string path = RecordsPathFor(backupFolder);
    records.where = "The service records file " + path;
    RecordsToRead reading;
    records.db = OpenLocalRecordsToRead(connector, path, reading);
    records.missing = reading.outcome == RecordsToRead::Outcome::Missing;
    if (reading.outcome == RecordsToRead::Outcome::Failed) records.error = reading.message;
    return records;
}

}  // namespace qs
