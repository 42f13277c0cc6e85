#include "history/history_source.h"

#include "history/records_file.h"
#include "history/records_schema.h"
#include "history/records_settings.h"
#include "history/records_url.h"

namespace qs {

std::unique_ptr<ISqlConnection> OpenHistoryRecords(ISqlConnector& connector, const std::string& url,
                                                   const std::string& backupFolder,
                                                   const IWallClock& clock, std::string& error) {
    RecordsPlace place;
    if (!RecordsPlaceFrom(url, place, error)) return nullptr;
    if (place.kind == RecordsPlace::Kind::Server) {
        SqlStatus status;
        std::unique_ptr<ISqlConnection> db = connector.Open(place.server, status);
        if (db) status = MigrateRecords(*db);
        if (!db || !status.ok()) {
            error = "The shared records at " + RecordsTargetText(place.server) +
                    " cannot be read: " + status.message;
            return nullptr;
        }
        return db;
    }
    const std::string path = RecordsPathFor(backupFolder);
    if (path.empty()) {
        error = "There is no data folder for the service records.";
        return nullptr;
    }
    LocalRecordsOpening opening;
    std::unique_ptr<ISqlConnection> db =
        OpenLocalRecords(connector, path, clock, opening, LocalRecordsUse::Reading);
    if (!db) error = opening.message;
    return db;
}

}  // namespace qs
