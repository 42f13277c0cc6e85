#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace qs {

// The two database engines the records can live in. The statements the core sends differ
// between them only where their dialects do (column types, the id column).
enum class SqlDialect { Sqlite, Postgres };

// One bound value or one column of a row: NULL, an integer, a real or text.
using SqlValue = std::variant<std::monostate, std::int64_t, double, std::string>;
using SqlRow = std::vector<SqlValue>;

// Why a statement or an opening failed, as far as the caller has to react differently.
enum class SqlError {
    None,
    Unreachable,  // no server, a refused login, or a connection lost: try again later
    Corrupt,      // the database file is damaged or is no database at all
    Busy,         // another program holds the database's write lock longer than allowed
    Constraint,   // a unique key or another constraint refused the row
    // The records were made by a program this one cannot write for (a newer, incompatible
    // version); nothing is wrong with the database or the way to it.
    Incompatible,
    Other,
};

struct SqlStatus {
    SqlError error = SqlError::None;
    std::string message;  // the engine's own words, empty when all went well

    bool ok() const { return error == SqlError::None; }
    static SqlStatus Failed(SqlError error, std::string message) {
        return {error, std::move(message)};
    }
};

// Whether a connection may change the database. A reader's connection is opened read-only:
// it never creates, changes or takes the write lock of what it reads.
enum class SqlAccess { ReadWrite, ReadOnly };

// Where a database is. For SQLite only `path` counts; for PostgreSQL the rest, with libpq's
// meaning (a `host` starting with '/' is the folder of the server's socket).
struct SqlTarget {
    SqlDialect dialect = SqlDialect::Sqlite;
    std::string path;
    std::string host;
    int port = 0;  // 0: the engine's default
    std::string user;
    std::string password;
    std::string database;
    std::vector<std::pair<std::string, std::string>> options;  // further libpq keywords
    int connectTimeoutSeconds = 5;
    // A statement that waits longer on the server (a lock held by another program) is given
    // up by the server; PostgreSQL only.
    int statementTimeoutMs = 60000;
    SqlAccess access = SqlAccess::ReadWrite;
};

// Ends, from any thread, what a connection's own thread waits for on a server: the link under
// it is closed, so a statement under way fails at once as Unreachable, and so does every later
// one. It may outlive its connection; cutting one that is gone does nothing.
class ISqlCut {
public:
    virtual ~ISqlCut() = default;
    virtual void Cut() = 0;
};

// One open connection to a database. It belongs to the thread that opened it: every call
// comes from that thread, and so does its destruction (Cutter() aside).
class ISqlConnection {
public:
    virtual ~ISqlConnection() = default;
    virtual SqlDialect dialect() const = 0;
    // Runs one statement with `?` placeholders, bound in order. The rows it returns, if any,
    // are appended to `rows` when that is given.
    virtual SqlStatus Execute(std::string_view sql, const std::vector<SqlValue>& values,
                              std::vector<SqlRow>* rows = nullptr) = 0;
    virtual SqlStatus Begin() = 0;
    virtual SqlStatus Commit() = 0;
    virtual SqlStatus Rollback() = 0;
    // The way to end its waiting on a server from another thread; none for a file, where
    // nothing waits on the network.
    virtual std::shared_ptr<ISqlCut> Cutter() { return nullptr; }
};

// An advisory lock on a file, held until it is destroyed. Many may hold it shared at once;
// exclusive, only one and nobody else. Programs that agree on the lock file never meet in what
// it guards; nothing else is kept out.
enum class FileLockMode { Shared, Exclusive };

class IFileLock {
public:
    virtual ~IFileLock() = default;
};

// Opens connections. An SQLite file that does not exist is created (unless opened read-only);
// a PostgreSQL server is given at most the target's connect time-out to answer.
class ISqlConnector {
public:
    virtual ~ISqlConnector() = default;
    virtual std::unique_ptr<ISqlConnection> Open(const SqlTarget& target, SqlStatus& status) = 0;
    // Takes the lock on `lockPath` (the file is created when missing), waiting at most `wait`
    // for whoever holds it the other way; null with `status` saying why when not had.
    virtual std::unique_ptr<IFileLock> LockFile(const std::string& lockPath, FileLockMode mode,
                                                std::chrono::milliseconds wait,
                                                SqlStatus& status) = 0;
};

}  // namespace qs
