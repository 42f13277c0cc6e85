#include "history/records_file.h"

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

// Checks the whole file before anything is written to it (switching to the write-ahead log
// writes the header), so a damaged page anywhere shows here rather than in the middle of a
// connection, and a damaged file is kept aside exactly as it was found.
//
// The whole-file check reads every page (about 1.3 s for 10,000 connections of 300 journal
// lines), so only the recording program makes it, once at its start on the writer's thread;
// a program that only reads beside it checks the file's header and schema.
SqlStatus CheckFile(ISqlConnection& db, LocalRecordsUse use, bool& damaged, std::string& why) {
    damaged = false;
    std::vector<SqlRow> rows;
    SqlStatus status = db.Execute("PRAGMA busy_timeout = 5000", {}, &rows);
    rows.clear();
    if (status.ok() && use == LocalRecordsUse::Reading) {
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

std::unique_ptr<ISqlConnection> Prepared(std::unique_ptr<ISqlConnection> db,
                                         LocalRecordsOpening& opening, LocalRecordsUse use) {
    SqlStatus status = MigrateRecords(*db);
    RecordsStore store(*db);
    if (status.ok() && use == LocalRecordsUse::Recording)
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

    SqlStatus status;
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
        return Prepared(std::move(db), opening, use);
    }

    db.reset();
    std::string error;
    if (!SetAside(path, clock, opening.asidePath, error)) return fail(error);
    db = connector.Open(LocalRecordsTarget(path), status);
    if (!db) return fail(path + ": " + status.message);
    if (!(status = SetLocalPragmas(*db)).ok()) return fail(path + ": " + status.message);
    opening.outcome = LocalRecordsOpening::Outcome::Recreated;
    db = Prepared(std::move(db), opening, use);
    if (!db) return nullptr;
    opening.message = "The service records file was damaged (" + why + ")." + kCrLf +
                      "It is kept as " + opening.asidePath + kCrLf +
                      "A new records file was started; the backups folder can be imported "
                      "into it again.";
    return db;
}

}  // namespace qs
