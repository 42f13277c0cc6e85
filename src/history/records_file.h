#pragma once

#include <memory>
#include <string>

#include "platform/sql_connection.h"
#include "safety/wall_clock.h"

namespace qs {

inline constexpr const char* kRecordsFileName = "records.sqlite";
// The fact that says the backups folder has been imported into these records.
inline constexpr const char* kBackupsImportedFact = "backups_imported";
// The files of the connections the last import had to skip whole, one a line: the next import
// tries them again and says them only when that changes.
inline constexpr const char* kBackupsSkippedFact = "backups_skipped";

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

// Who writes the records: a program that records connections (several may, one per cable),
// or an import beside them.
enum class LocalRecordsUse { Recording, Importing };

// The writers' lock file beside the records: "records.sqlite.lock".
std::string RecordsLockPathFor(const std::string& recordsPath);

// Opens the local records at `path` for writing from the calling thread: creates the file and
// its folder when needed, checks it and brings it to the latest version; a recording program
// that finds no other writer at work also marks the connections a stopped program left open
// as unfinished (beside another writer, an open connection may be that one's, under way).
//
// Every writer holds the records' lock shared for as long as its connection is open, so a
// damaged file is set aside only by a writer that has the lock to itself: it is renamed
// beside itself ("records.sqlite.damaged-20261207-104602") and a fresh file takes its place,
// never while another program writes it (that program would go on writing into the renamed
// file). When another writer holds the lock longer than a short wait, the damaged file is
// left alone and this writer gets no records this time: what it records stays in the
// connection's files, from which the records are rebuilt once the file is set aside.
std::unique_ptr<ISqlConnection> OpenLocalRecords(ISqlConnector& connector, const std::string& path,
                                                 const IWallClock& clock,
                                                 LocalRecordsOpening& opening,
                                                 LocalRecordsUse use = LocalRecordsUse::Recording);

// The local records opened for writing under the writers' shared lock and at the latest
// version, without the whole-file check: for a program's helper threads (the sender to a
// shared server) once its writer has opened the file. Null with `status` otherwise.
std::unique_ptr<ISqlConnection> OpenLocalRecordsShared(ISqlConnector& connector,
                                                       const std::string& path, SqlStatus& status);

// The oldest version of the records a reader can read: the searched columns are there since.
inline constexpr int kOldestReadableRecordsVersion = 2;

struct RecordsToRead {
    enum class Outcome {
        Ready,
        Missing,  // no records file yet: nothing was ever recorded on this bench
        Failed,   // `message` names the file and says what is wrong with it
    };
    Outcome outcome = Outcome::Failed;
    std::string message;
};

// Opens the local records read-only, for the history and reports: nothing is created,
// migrated, locked for writing or renamed. A damaged, empty or unreadable file is said, never
// taken for records without connections.
std::unique_ptr<ISqlConnection> OpenLocalRecordsToRead(ISqlConnector& connector,
                                                       const std::string& path,
                                                       RecordsToRead& reading);

// What a reader says when reading `where` failed: a damaged database is called so.
std::string RecordsReadProblem(const std::string& where, const SqlStatus& status);

}  // namespace qs
