#pragma once

#include <memory>
#include <string>

#include "platform/sql_connection.h"
#include "safety/wall_clock.h"

namespace qs {

inline constexpr const char* kRecordsFileName = "records.sqlite";
// The fact that says the backups folder has been imported into these records.
inline constexpr const char* kBackupsImportedFact = "backups_imported";

// The records file in the data folder beside the backups folder:
// ".../qs71dr-adj/backups" gives ".../qs71dr-adj/records.sqlite". Empty for an empty folder.
std::string RecordsPathFor(const std::string& backupFolder);
SqlTarget LocalRecordsTarget(const std::string& path);

// Sets what every connection to the local file needs: the write-ahead log, writes that reach
// the disk at checkpoints rather than at every commit, and a wait for another program's lock.
SqlStatus SetLocalPragmas(ISqlConnection& db);

struct LocalRecordsOpening {
    enum class Outcome {
        Ready,      // opened (or created) and at the latest version
        Recreated,  // the file was damaged: it was kept aside and a fresh one made
        Failed,     // no records this time; `message` says why
    };
    Outcome outcome = Outcome::Failed;
    std::string message;    // for the technician, when not Ready
    std::string asidePath;  // where a damaged file was kept
    int unfinished = 0;     // connections a stopped program had left open, now marked
    bool backupsImported = false;
};

// Who opens the records: the one program that records connections (it holds the
// single-instance lock), or anything else that only reads or imports beside it.
enum class LocalRecordsUse { Recording, Reading };

// Opens the local records at `path` for the calling thread: creates the file and its folder
// when needed, checks it and brings it to the latest version; the recording program also
// marks the connections a stopped program left open as unfinished. A damaged file is never
// deleted: it is renamed beside itself ("records.sqlite.damaged-20261207-104602") and a fresh
// file takes its place.
std::unique_ptr<ISqlConnection> OpenLocalRecords(ISqlConnector& connector, const std::string& path,
                                                 const IWallClock& clock,
                                                 LocalRecordsOpening& opening,
                                                 LocalRecordsUse use = LocalRecordsUse::Recording);

}  // namespace qs
