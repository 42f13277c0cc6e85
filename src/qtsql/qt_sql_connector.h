#pragma once

#include <memory>

#include "platform/sql_connection.h"

namespace qs {

// Opens SQLite files through Qt's QSQLITE driver and PostgreSQL servers through QPSQL.
// Each connection has a name of its own, so connections on different threads never share
// anything; statements with bound values are prepared once per connection and kept.
class QtSqlConnector : public ISqlConnector {
public:
    std::unique_ptr<ISqlConnection> Open(const SqlTarget& target, SqlStatus& status) override;
    std::unique_ptr<IFileLock> LockFile(const std::string& lockPath, FileLockMode mode,
                                        std::chrono::milliseconds wait, SqlStatus& status) override;
};

}  // namespace qs
