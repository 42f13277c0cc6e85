#pragma once

#include <string_view>
#include <vector>

#include "platform/sql_connection.h"

namespace qs {

// The records' tables, their version and the migrations between versions.
//
// Version 1 holds what a connection's files hold: the connection (times, bench, program,
// radio, backup), item values at Connect and at the end, journal entries, readings, sweep and
// bisection steps and the automatic operations' results. Version 2 adds who aligned which
// radio for which work order, the procedure's steps with their values, limits and outcome, the
// verdict, and the bench instruments' settings and readings. Version 4 adds each procedure
// run whole, as its runs file writes it, so that a report from the records is the report
// from the files.
//
// Every table of a connection's detail is keyed by the connection's number and a sequence
// number that counts that table's rows of that connection from 0, so a row sent twice to a
// shared server is the same row.
//
// From version 3 on, the version table also says which is the oldest version whose program can
// still write to the records, so that a bench updated to a newer program does not shut the
// older benches of the shop out of a shared server: an older program keeps writing to a newer
// version that allows it, and refuses only one that does not, naming both versions.
inline constexpr int kLatestRecordsVersion = 4;
inline constexpr int kFirstVersionWithOldestWriter = 3;

// The oldest version whose program can write to records of `version`.
int OldestWriterOf(int version);

struct RecordsColumn {
    std::string_view name;
    int sinceVersion;
};

// A table of a connection's detail: `connection_id`, `seq`, then these columns.
struct DetailTable {
    std::string_view name;
    std::vector<RecordsColumn> columns;
    int sinceVersion;
};

// The columns of `connections` after its own `id`, in order.
const std::vector<RecordsColumn>& ConnectionColumns();
// Every detail table, in the order they are written and sent.
const std::vector<DetailTable>& DetailTables();
const DetailTable& DetailTableNamed(std::string_view name);

// The version the database holds: 0 for an empty one.
SqlStatus ReadRecordsVersion(ISqlConnection& db, int& version);

// Brings the database to `version` (the latest unless a test asks for an earlier one), each
// step in one transaction with the version. A database newer than this program is left as it
// is: written to when its version allows this program's, refused (SqlError::Incompatible)
// otherwise.
SqlStatus MigrateRecords(ISqlConnection& db, int version = kLatestRecordsVersion);

}  // namespace qs
