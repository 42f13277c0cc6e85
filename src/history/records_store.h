#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history/record_types.h"
#include "platform/sql_connection.h"

namespace qs {

// A detail row with its sequence number in its table.
struct NumberedRow {
    std::int64_t seq = 0;
    SqlRow values;
};

// Writes the records through one open connection to a database already at the latest
// version. Every write is idempotent where a row could come twice (an import run again, a
// connection sent again to a shared server): rows are keyed by the connection's uid and their
// sequence numbers, and a row already there is left as it is.
class RecordsStore {
public:
    explicit RecordsStore(ISqlConnection& db) : db_(db) {}

    ISqlConnection& db() { return db_; }

    // Adds the connection's row, or brings an existing row with the same uid up to date
    // (state, end, procedure and verdict), and sets the item values given; `id` is the
    // connection's number in this database.
    SqlStatus SaveConnection(const ConnectionInfo& info, const std::vector<ItemValue>& items,
                             std::int64_t& id);
    // Adds detail rows of one table; rows already there are kept unchanged.
    SqlStatus AddDetailRows(std::int64_t id, std::string_view table,
                            const std::vector<NumberedRow>& rows);
    SqlStatus AddDetailRow(std::int64_t id, std::string_view table, std::int64_t seq,
                           const SqlRow& row);
    // A whole record (import): connection, items and every detail, in one transaction.
    SqlStatus SaveRecord(const ConnectionRecord& record, std::int64_t& id);

    // Connections a stopped program left open are marked unfinished; `count` says how many.
    SqlStatus MarkOpenConnectionsUnfinished(int& count);

    // The connection's number here, if this database has it.
    SqlStatus FindConnection(const std::string& uid, std::optional<std::int64_t>& id);
    // Whether a connection of this backup file (by its name and checksum) is recorded.
    SqlStatus HasBackup(const std::string& backupPath, const std::string& crc, bool& found);

    // Small named facts about the records themselves ("backups imported" and the like).
    SqlStatus Fact(const std::string& name, std::optional<std::string>& value);
    SqlStatus SetFact(const std::string& name, const std::string& value);

private:
    ISqlConnection& db_;
};

// The detail rows of a record by table, numbered from 0 in each table.
std::vector<std::pair<std::string_view, std::vector<NumberedRow>>> DetailRowsOf(
    const ConnectionRecord& record);

}  // namespace qs
