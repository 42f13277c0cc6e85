#include "history/records_file.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "history/record_rows.h"
#include "history/records_schema.h"
#include "history/records_store.h"

namespace qs {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCrLf = "\r\n";
constexpr int kMaxAsideNames = 1000;
// A writer waits this long for the shared lock, which only a writer setting a damaged file
// aside (a rename and a fresh file) keeps from it.
constexpr std::chrono::milliseconds kWriterLockWait{10000};
// And this long for the others to finish before it sets a damaged file aside.
constexpr std::chrono::milliseconds kSetAsideWait{3000};

// A connection that holds the writers' lock for as long as it is open.
class LockedConnection : public ISqlConnection {
public:
    LockedConnection(std::unique_ptr<IFileLock> lock, std::unique_ptr<ISqlConnection> db)
        : lock_(std::move(lock)), db_(std::move(db)) {}
    ~LockedConnection() override { db_.reset(); }

    SqlDialect dialect() const override { return db_->dialect(); }
    SqlStatus Execute(std::string_view sql, const std::vector<SqlValue>& values,
                      std::vector<SqlRow>* rows) override {
        return db_->Execute(sql, values, rows);
    }
    SqlStatus Begin() override { return db_->Begin(); }
    SqlStatus Commit() override { return db_->Commit(); }
    SqlStatus Rollback() override { return db_->Rollback(); }

private:
    std::unique_ptr<IFileLock> lock_;
    std::unique_ptr<ISqlConnection> db_;
};

std::unique_ptr<ISqlConnection> Locked(std::unique_ptr<IFileLock> lock,
                                       std::unique_ptr<ISqlConnection> db) {
    return std::make_unique<LockedConnection>(std::move(lock), std::move(db));
}

// Checks the whole file before anything is written to it (switching to the write-ahead log
// writes the header), so a damaged page anywhere shows here rather than in the middle of a
// connection, and a damaged file is kept aside exactly as it was found.
//
// The whole-file check reads every page (about 1.3 s for 10,000 connections of 300 journal
// lines), so only the recording program makes it, once at its start on the writer's thread;
// an import beside it checks the file's header and schema.
SqlStatus CheckFile(ISqlConnection& db, LocalRecordsUse use, bool& damaged, std::string& why) {
    damaged = false;
    std::vector<SqlRow> rows;
    SqlStatus status = db.Execute("PRAGMA busy_timeout = 5000", {}, &rows);
    rows.clear();
    if (status.ok() && use == LocalRecordsUse::Importing) {
        status = db.Execute("SELECT 'ok' FROM sqlite_master LIMIT 1", {}, &rows);
        if (status.ok() && rows.empty()) rows.push_back({std::string("ok")});
    } else if (status.ok()) {
        status = db.Execute("PRAGMA quick_check", {}, &rows);
    }
    if (status.error == SqlError::Corrupt) {
        damaged = true;
        why = status.message;
        return {};
    }
    if (!status.ok()) return status;
    if (rows.size() != 1 || TextOf(rows[0].empty() ? SqlValue{} : rows[0][0]) != "ok") {
        damaged = true;
        why = rows.empty() || rows[0].empty() ? "the check found nothing" : TextOf(rows[0][0]);
    }
    return {};
}

// Renames the file and its write-ahead log beside it under a name not yet taken.
bool SetAside(const std::string& path, const IWallClock& clock, std::string& aside,
              std::string& error) {
    const std::string stem = path + ".damaged-" + DateTimeStamp(clock.Now());
    std::error_code ec;
    for (int attempt = 1; attempt <= kMaxAsideNames; ++attempt) {
        const std::string candidate = stem + (attempt == 1 ? "" : "-" + std::to_string(attempt));
        if (fs::exists(candidate, ec)) continue;
        fs::rename(path, candidate, ec);
        if (ec) {
            error = path + ": " + ec.message();
            return false;
        }
        for (const char* suffix : {"-wal", "-shm"}) {
            if (fs::exists(path + suffix, ec)) fs::rename(path + suffix, candidate + suffix, ec);
        }
        aside = candidate;
        return true;
    }
    error = path + ": too many damaged copies beside it";
    return false;
}

// `onlyWriter`: no other program writes the file now, so a connection still open is one
// whose program ended before it could end it. Beside another writer it may be that one's,
// under way, and is left as it is.
std::unique_ptr<ISqlConnection> Prepared(std::unique_ptr<ISqlConnection> db,
                                         LocalRecordsOpening& opening, LocalRecordsUse use,
                                         bool onlyWriter) {
    SqlStatus status = MigrateRecords(*db);
    RecordsStore store(*db);
    if (status.ok() && use == LocalRecordsUse::Recording && onlyWriter)
        status = store.MarkOpenConnectionsUnfinished(opening.unfinished);
    std::optional<std::string> imported;
    if (status.ok()) status = store.Fact(kBackupsImportedFact, imported);
    if (!status.ok()) {
        opening.outcome = LocalRecordsOpening::Outcome::Failed;
        opening.message = "The service records cannot be used." + std::string(kCrLf) +
                          status.message + kCrLf +
                          "The adjustment goes on; the backup and journal files are written "
                          "as always.";
        return nullptr;
    }
    opening.backupsImported = imported.has_value();
    return db;
}

}  // namespace

std::string RecordsPathFor(const std::string& backupFolder) {
    if (backupFolder.empty()) return "";
    fs::path folder(backupFolder);
    if (!folder.has_filename()) folder = folder.parent_path();
    return (folder.parent_path() / kRecordsFileName).string();
}

SqlTarget LocalRecordsTarget(const std::string& path) {
    SqlTarget target;
    target.dialect = SqlDialect::Sqlite;
    target.path = path;
    return target;
}

SqlStatus SetLocalPragmas(ISqlConnection& db) {
    for (const char* pragma : {"PRAGMA busy_timeout = 5000", "PRAGMA journal_mode = WAL",
                               "PRAGMA synchronous = NORMAL"}) {
        std::vector<SqlRow> ignored;
        const SqlStatus status = db.Execute(pragma, {}, &ignored);
        if (!status.ok()) return status;
    }
    return {};
}

std::string RecordsLockPathFor(const std::string& recordsPath) {
    return recordsPath + ".lock";
}

std::unique_ptr<ISqlConnection> OpenLocalRecords(ISqlConnector& connector, const std::string& path,
                                                 const IWallClock& clock,
                                                 LocalRecordsOpening& opening,
                                                 LocalRecordsUse use) {
    opening = LocalRecordsOpening{};
    auto fail = [&opening](const std::string& why) -> std::unique_ptr<ISqlConnection> {
        opening.outcome = LocalRecordsOpening::Outcome::Failed;
        opening.message = "The service records cannot be used." + std::string(kCrLf) + why + kCrLf +
                          "The adjustment goes on; the backup and journal files are written "
                          "as always.";
        return nullptr;
    };
    if (path.empty())
        return fail("No folder for user data is known (neither XDG_DATA_HOME nor HOME is set).");
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    if (ec) return fail(fs::path(path).parent_path().string() + ": " + ec.message());

    const std::string lockPath = RecordsLockPathFor(path);
    SqlStatus status;
    // A recording program that gets the lock to itself at once is the only writer: it holds
    // the lock alone while it marks what was left open, then shares it as every writer does.
    std::unique_ptr<IFileLock> lock;
    if (use == LocalRecordsUse::Recording) {
        lock = connector.LockFile(lockPath, FileLockMode::Exclusive, std::chrono::milliseconds(0),
                                  status);
    }
    const bool onlyWriter = lock != nullptr;
    if (!lock) lock = connector.LockFile(lockPath, FileLockMode::Shared, kWriterLockWait, status);
    if (!lock) return fail(path + ": " + status.message);
    auto db = connector.Open(LocalRecordsTarget(path), status);
    if (!db) return fail(path + ": " + status.message);
    bool damaged = false;
    std::string why;
    status = CheckFile(*db, use, damaged, why);
    if (!status.ok()) return fail(path + ": " + status.message);
    if (!damaged && !(status = SetLocalPragmas(*db)).ok()) {
        if (status.error != SqlError::Corrupt) return fail(path + ": " + status.message);
        damaged = true;
        why = status.message;
    }
    if (!damaged) {
        opening.outcome = LocalRecordsOpening::Outcome::Ready;
        db = Prepared(std::move(db), opening, use, onlyWriter);
        if (!db) return nullptr;
        if (onlyWriter) {
            lock.reset();
            lock = connector.LockFile(lockPath, FileLockMode::Shared, kWriterLockWait, status);
            if (!lock) return fail(path + ": " + status.message);
        }
        return Locked(std::move(lock), std::move(db));
    }

    // Setting the file aside needs the lock to itself: a shared lock cannot be raised while
    // another writer may wait for the same, so it is let go first.
    db.reset();
    lock.reset();
    std::unique_ptr<IFileLock> alone =
        connector.LockFile(lockPath, FileLockMode::Exclusive, kSetAsideWait, status);
    if (!alone) {
        return fail("The records file " + path + " is damaged (" + why +
                    "), and another program is writing it, so it is left as it is until that "
                    "program has ended." +
                    kCrLf +
                    "What this program records is kept in the connection's files and comes "
                    "back into the records when the file is rebuilt.");
    }
    // Another writer may have set it aside while this one waited.
    db = connector.Open(LocalRecordsTarget(path), status);
    if (!db) return fail(path + ": " + status.message);
    if (!(status = CheckFile(*db, use, damaged, why)).ok())
        return fail(path + ": " + status.message);
    if (damaged) {
        db.reset();
        std::string error;
        if (!SetAside(path, clock, opening.asidePath, error)) return fail(error);
        db = connector.Open(LocalRecordsTarget(path), status);
        if (!db) return fail(path + ": " + status.message);
    }
    if (!(status = SetLocalPragmas(*db)).ok()) return fail(path + ": " + status.message);
    opening.outcome =
        damaged ? LocalRecordsOpening::Outcome::Recreated : LocalRecordsOpening::Outcome::Ready;
    db = Prepared(std::move(db), opening, use, true);
    if (!db) return nullptr;
    // Back to sharing, as every writer does while it writes. A writer that takes the lock to
    // itself in between finds the file sound and leaves it where it is.
    alone.reset();
    lock = connector.LockFile(lockPath, FileLockMode::Shared, kWriterLockWait, status);
    if (!lock) return fail(path + ": " + status.message);
    if (damaged) {
        opening.message = "The service records file was damaged (" + why + ")." + kCrLf +
                          "It is kept as " + opening.asidePath + kCrLf +
                          "A new records file was started; the connections are taken in again "
                          "from the backups folder.";
    }
    return Locked(std::move(lock), std::move(db));
}

std::unique_ptr<ISqlConnection> OpenLocalRecordsShared(ISqlConnector& connector,
                                                       const std::string& path, SqlStatus& status) {
    std::unique_ptr<IFileLock> lock =
        connector.LockFile(RecordsLockPathFor(path), FileLockMode::Shared, kWriterLockWait, status);
    if (!lock) return nullptr;
    auto db = connector.Open(LocalRecordsTarget(path), status);
    if (!db) return nullptr;
    if (!(status = SetLocalPragmas(*db)).ok()) return nullptr;
    if (!(status = MigrateRecords(*db)).ok()) return nullptr;
    return Locked(std::move(lock), std::move(db));
}

std::string RecordsReadProblem(const std::string& where, const SqlStatus& status) {
    if (status.error == SqlError::Corrupt) return where + " is damaged (" + status.message + ").";
    return where + " cannot be read: " + status.message;
}

std::unique_ptr<ISqlConnection> OpenLocalRecordsToRead(ISqlConnector& connector,
                                                       const std::string& path,
                                                       RecordsToRead& reading) {
    reading = RecordsToRead{};
    auto fail = [&reading](std::string why) -> std::unique_ptr<ISqlConnection> {
        reading.outcome = RecordsToRead::Outcome::Failed;
        reading.message = std::move(why);
        return nullptr;
    };
    if (path.empty()) return fail("There is no data folder for the service records.");
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        // A file where a folder on the way should be: the records cannot be where they are
        // looked for, which is not the same as none having been kept.
        for (fs::path up = fs::path(path).parent_path(); !up.empty(); up = up.parent_path()) {
            if (fs::exists(up, ec)) {
                if (!fs::is_directory(up, ec))
                    return fail("The service records cannot be read: " + up.string() +
                                " is no folder.");
                break;
            }
            if (up == up.parent_path()) break;
        }
        reading.outcome = RecordsToRead::Outcome::Missing;
        reading.message = "No service records have been kept at " + path + " yet.";
        return nullptr;
    }
    const std::string where = "The service records file " + path;
    SqlTarget target = LocalRecordsTarget(path);
    target.access = SqlAccess::ReadOnly;
    SqlStatus status;
    auto db = connector.Open(target, status);
    if (!db) return fail(RecordsReadProblem(where, status));
    std::vector<SqlRow> ignored;
    if (!(status = db->Execute("PRAGMA busy_timeout = 5000", {}, &ignored)).ok())
        return fail(RecordsReadProblem(where, status));
    int version = 0;
    if (!(status = ReadRecordsVersion(*db, version)).ok())
        return fail(RecordsReadProblem(where, status));
    if (version == 0) {
        const auto size = fs::file_size(path, ec);
        return fail(where + (!ec && size == 0 ? " is empty (0 bytes)" : " is no records file") +
                    ": it holds no service records.");
    }
    if (version < kOldestReadableRecordsVersion) {
        return fail(where + " has version " + std::to_string(version) +
                    " of the records; it can be read once the recording program has brought it "
                    "up to date at its next start.");
    }
    reading.outcome = RecordsToRead::Outcome::Ready;
    return db;
}

}  // namespace qs
